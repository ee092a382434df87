// The polling worker and the windows together on the real clock, for the thread sanitizer:
// while passes and background loads run, the "Settings" sheet is opened and closed once a pass
// (its pages store, the Network page asks the card), the Modem page's store runs every round, and
// the message window is rebuilt. The worker
// reaches the windows only through GuiThreadUi and the monitor texts and speed options only
// under its lock; a build with QMX2_TSAN reports any other sharing. Bounded by iterations and by
// the worker's passes; nothing here is timed.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "manager/core/command_ids.h"
#include "manager/core/gui_thread_ui.h"
#include "manager/core/main_window.h"
#include "manager/core/polling.h"
#include "common/data_call.h"
#include "manager/settings/modem_page.h"
#include "manager/ui/settings/network_page.h"
#include "manager/ui/message_window.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "manager/ui/settings_sheet.h"
#include "platform/help_viewer.h"
#include "tests/manager/manager_harness.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

using testing::CardMessage;

constexpr int kIterations = 2000;  // upper bound; the loop ends after kPasses passes
constexpr int kPasses = 2;

TEST(WindowsWorkerTest, PagesAndMessageWindowBesideRunningPasses) {
    testing::OffscreenApp();
    const std::shared_ptr<platform::Clock> clock = platform::MakeRealClock();
    testing::FakeCard card(*clock);
    card.bits_per_second = 115200;
    card.sim_book.entries.resize(5);
    card.card_book.entries.resize(5);
    card.sim_book.entries[0] = testing::CardEntry{"0301111", 129, "Anna"};
    card.messages[0] = CardMessage{"REC READ", "0302222", "26/01/04,12:00:00+04", "Yo"};
    card.messages[1] = CardMessage{"STO SENT", "0303333", "26/01/03,12:00:00+04", "Sent one"};
    platform::Devices devices;
    devices.Register(u"COM3:", &card);
    testing::FakeRegistry registry;
    registry.SetText(u"Drivers\\Active\\07", u"PnpId", u"Orvan_Mobile_Phones-Orvan_Pellion-4C2D");
    registry.SetText(u"Drivers\\Active\\07", u"Name", u"COM3:");
    registry.SetText(u"Drivers\\Active", u"Dummy", u"");
    testing::MemoryFolder folder;
    testing::ScriptedUi rest;
    testing::FakePeers peers;
    platform::TrayIconLog tray;
    platform::HelpRequestLog help;
    // Every message box (the Modem page's note among them) is closed as it comes.
    std::vector<std::string> boxes;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes.push_back(box->text().toStdString());
            box->accept();
        }
    });
    reader.start(2);

    ManagerContext* ctx = nullptr;
    QtManagerUi qt({rest, [&ctx] { return MonitorSnapshot(*ctx); }, [&ctx]() -> ManagerContext& { return *ctx; },
                    [] { return platform::HWND(5); }, [](uint32_t) {}, tray, help});
    testing::QtDispatch dispatch;
    GuiThreadUi gui(qt, dispatch);
    ManagerContext context(ManagerServices{*clock, devices, registry, folder, gui, peers});
    ctx = &context;
    platform::Thread worker;
    ASSERT_EQ(StartManager(context, worker), StartOutcome::kRunning) << (boxes.empty() ? "" : boxes.back());
    qt.Command(kCmdShortMessages);
    MessageWindow* messages = qt.message_window();
    ASSERT_NE(messages, nullptr);

    const int first_pass = context.passes.load();
    int network_asks = 0;
    int sheet_pass = -1;
    int i = 0;
    for (; i < kIterations && context.passes.load() < first_pass + kPasses; ++i) {
        // The whole sheet once per pass: pages that set the card as they close pause the worker,
        // and a sheet every round would leave it no pass to run.
        if (const int passes = context.passes.load(); passes != sheet_pass) {
            sheet_pass = passes;
            QDialog* sheet = MakeSettingsSheet(messages, {context, help});
            auto* pages = sheet->findChild<QTabWidget*>("settingsPages");
            sheet->show();
            sheet->findChild<QCheckBox*>("confirmOnDelete")->toggle();
            // The Network page asks the card when it is first shown: at the start and once
            // during the background loads that follow the first pass.
            if (network_asks < 2) {
                ++network_asks;
                pages->setCurrentIndex(4);
                auto* network = static_cast<NetworkPageWidget*>(pages->currentWidget());
                for (int k = 0; k < 2000 && !network->opened(); ++k) QTest::qWait(5);
            }
            pages->setCurrentIndex(2);
            pages->currentWidget()->findChild<QSlider*>("speedSlider")->setValue(i % common::kDataCallSpeeds);
            delete sheet;  // the pages store: options, monitor lines, the commander's speed message
        }
        // Between sheets the Modem page's store, every round, beside the worker's own reading of
        // the speed setting.
        ModemPage modem = OpenModemPage(context);
        MoveSpeedSlider(modem, i % common::kDataCallSpeeds);
        CloseModemPage(context, modem);

        messages->drop_down()->activated(i % 7);
        messages->Rebuild();
        QTest::qWait(5);
    }
    EXPECT_GE(context.passes.load(), first_pass + 1) << "no pass ran beside the windows in " << i << " rounds";
    EXPECT_FALSE(boxes.empty());
    context.stop_worker = true;
    worker.Join();
}

}  // namespace
}  // namespace qmx2::manager::ui

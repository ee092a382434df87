// The monitor window offscreen, in both shells (Qmx2PPC's menu bar, Qmx2HPC's command bar and
// larger window): every menu entry and accelerator reaches its command, the monitor paints what
// the worker measured, message boxes asked from the worker are answered on the GUI thread, the
// notification icon and the help requests.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "manager/core/command_ids.h"
#include "manager/core/gui_thread_ui.h"
#include "manager/core/main_window.h"
#include "manager/core/polling.h"
#include "manager/ui/monitor_view.h"
#include "manager/ui/ppc/monitor_window.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "platform/help_viewer.h"
#include "tests/manager/manager_harness.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

using testing::OnNextModal;

QString BoxLine(QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    return box ? box->windowTitle() + "|" + box->text() : "not a message box: " + w->windowTitle();
}

struct Rig {
    explicit Rig(const Shell& shell)
        : qt({scripted, [this] { std::lock_guard l(mu); return state; },
              [this]() -> ManagerContext& { return *harness.ctx; }, [] { return platform::HWND(77); },
              [this](uint32_t c) { posted.push_back(c); }, tray, help, &shell}),
          gui(qt, dispatch) {
        testing::OffscreenApp();
        EXPECT_TRUE(gui.ShowMainWindow(true));
        // Accelerators act in the active window.
        QApplication::setActiveWindow(qt.main_window());
        EXPECT_TRUE(QTest::qWaitForWindowActive(qt.main_window()));
    }
    MonitorWindow& window() { return *qt.main_window(); }

    std::mutex mu;
    MonitorState state;
    testing::Harness harness;
    testing::ScriptedUi scripted;
    std::vector<uint32_t> posted;
    platform::TrayIconLog tray;
    platform::HelpRequestLog help;
    QtManagerUi qt;
    testing::QtDispatch dispatch;
    GuiThreadUi gui;
};

// What a command did: posted to the manager's window, a message box, the about box, nothing.
std::string Outcome(Rig& rig, const std::function<void()>& act) {
    std::string seen;
    rig.posted.clear();
    const auto watch = OnNextModal([&seen](QWidget* w) {
        if (w->objectName() == "dialog103") seen = "about: " + w->findChild<QLabel*>("aboutText")->text().toStdString();
        else if (w->objectName() == "settingsSheet") seen = "sheet: " + w->windowTitle().toStdString();
        else seen = BoxLine(w).toStdString();
        if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
    });
    {
        // Closing the "Settings" sheet sets the message centre, on the virtual clock.
        platform::ExternalWait serving(*rig.harness.clock);
        act();
    }
    QTest::qWait(5);
    if (MessageWindow* w = rig.qt.message_window()) {
        w->close();
        QTest::qWait(5);
        return "message window";
    }
    if (WriteWindow* w = rig.qt.write_window()) {
        w->close();
        QTest::qWait(5);
        return "write window";
    }
    if (ContactWindow* w = rig.qt.contact_window()) {
        w->close();
        QTest::qWait(5);
        return "contact window";
    }
    if (!rig.posted.empty()) return "posted " + std::to_string(rig.posted.back());
    return seen.empty() ? "nothing" : seen;
}

const std::string kSettings = "sheet: Settings";
std::string About(const Shell& shell) {
    return std::string("about: <b>Orvan Pellion 2.0</b><br>") + shell.program + "<br>Version 2.0";
}

// Every test runs in both shells.
class MonitorWindowTest : public ::testing::TestWithParam<const Shell*> {
protected:
    const Shell& shell() const { return *GetParam(); }
};

TEST_P(MonitorWindowTest, EveryMenuEntryAndAcceleratorReachesItsCommand) {
    Rig rig(shell());
    struct Case {
        const char* menu;
        const char* entry;
        std::string outcome;
    };
    const Case menus[] = {
        {"File", "Power Down", "posted 40149"}, {"File", "About", About(shell())}, {"File", "Exit", "posted 40136"},
        {"Tools", "Write Messages...", "write window"}, {"Tools", "Short Messages...", "message window"},
        {"Tools", "Contact Directory...", "contact window"}, {"Tools", "Settings...", kSettings},
    };
    // Menu 107: the Pocket PC's menu bar or the Handheld PC's command bar.
    QWidget* bar = rig.window().menus();
    ASSERT_EQ(bar->objectName(), "menu107");
    EXPECT_EQ(bar->inherits("QToolBar"), shell().command_bar);
    EXPECT_EQ(bar->inherits("QMenuBar"), !shell().command_bar);
    EXPECT_TRUE(bar->isVisible());
    std::vector<std::string> entries;
    for (QAction* top : bar->actions())
        for (QAction* a : top->menu()->actions()) entries.push_back(top->text().toStdString() + "/" + a->text().toStdString());
    ASSERT_EQ(entries.size(), std::size(menus));
    for (size_t i = 0; i < std::size(menus); ++i) {
        EXPECT_EQ(entries[i], std::string(menus[i].menu) + "/" + menus[i].entry);
        QAction* top = bar->actions()[menus[i].menu == std::string("File") ? 0 : 1];
        QAction* entry = nullptr;
        for (QAction* a : top->menu()->actions())
            if (a->text() == menus[i].entry) entry = a;
        EXPECT_EQ(Outcome(rig, [entry] { entry->trigger(); }), menus[i].outcome) << menus[i].entry;
    }

    struct Key {
        QKeyCombination keys;
        std::string outcome;
    };
    const Key table169[] = {{Qt::CTRL | Qt::Key_D, "contact window"}, {Qt::CTRL | Qt::Key_M, "message window"},
                            {Qt::CTRL | Qt::Key_O, "nothing"}, {Qt::CTRL | Qt::Key_S, kSettings},
                            {QKeyCombination(Qt::Key_F1), "nothing"}, {Qt::CTRL | Qt::Key_W, "write window"}};
    for (const Key& k : table169)
        EXPECT_EQ(Outcome(rig, [&] {
                      // A message box just closed leaves no window active.
                      QApplication::setActiveWindow(&rig.window());
                      QTest::keyClick(&rig.window(), k.keys.key(), k.keys.keyboardModifiers()); }),
                  k.outcome)
            << QKeySequence(k.keys).toString().toStdString();
    // The window's close button is the close message, not the end of the program.
    EXPECT_EQ(Outcome(rig, [&] { rig.window().close(); }), "posted 40136");
}

TEST_P(MonitorWindowTest, PaintsTheWorkersMeasurementOnRepaint) {
    Rig rig(shell());
    MonitorView* view = rig.window().monitor();
    EXPECT_EQ(view->size(), QSize(shell().main_width, shell().main_height));
    EXPECT_EQ(rig.window().width(), shell().main_width);
    EXPECT_EQ(rig.window().statusBar()->objectName(), "statusBar10001");
    const QColor navy(0, 0, 128);
    const auto bars = [&] {
        const QImage image = view->grab().toImage();
        int n = 0;
        for (int left : {13, 28, 43, 58}) n += image.pixelColor(left + 6, 7) == navy;
        return n;
    };
    const auto has_text = [&](int top) {
        const QImage image = view->grab().toImage();
        for (int y = top; y < top + 16; ++y)
            for (int x = 10; x < 200; ++x)
                if (image.pixelColor(x, y) == navy) return true;
        return false;
    };
    EXPECT_EQ(bars(), 0);
    EXPECT_TRUE(has_text(37));  // "Searching network, please wait..."
    EXPECT_FALSE(has_text(17));
    {
        std::lock_guard l(rig.mu);
        rig.state.signal_level = 3;
        rig.state.operator_line = "Orvan Net";
    }
    // From the worker's thread, as a polling pass ends.
    std::thread([&] { rig.gui.RepaintMain(); }).join();
    QTest::qWait(5);
    EXPECT_EQ(bars(), 3);
    EXPECT_TRUE(has_text(17));
}

TEST_P(MonitorWindowTest, WorkerQuestionIsAnsweredOnTheGuiThread) {
    Rig rig(shell());
    std::string seen;
    const auto watch = OnNextModal([&](QWidget* w) {
        seen = BoxLine(w).toStdString();
        QTest::mouseClick(qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes), Qt::LeftButton);
    });
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        answer = int(rig.gui.ShowMessage(kCaption, u"New SMS arrived, read it now?", Buttons::kYesNo, true));
    });
    while (answer < 0) QTest::qWait(2);
    worker.join();
    EXPECT_EQ(seen, "Orvan Pellion 2.0|New SMS arrived, read it now?");
    EXPECT_EQ(answer, int(Answer::kYes));
}

TEST_P(MonitorWindowTest, NotificationIconAndHelpTopics) {
    Rig rig(shell());
    rig.gui.SetNotificationIcon(true);
    rig.gui.SetNotificationIcon(true);
    ASSERT_EQ(rig.tray.Icons().size(), 1u);
    const platform::TrayIcon icon = rig.tray.Icons()[0];
    EXPECT_EQ(icon.owner, platform::HWND(77));
    EXPECT_EQ(icon.id, 5000u);
    EXPECT_EQ(icon.icon, "app-manager");
    EXPECT_EQ(icon.callback_message, 3025u);
    rig.gui.SetNotificationIcon(false);
    EXPECT_TRUE(rig.tray.Icons().empty());

    QTest::keyClick(&rig.window(), Qt::Key_F1, Qt::ShiftModifier);
    QSize about;
    const auto watch = OnNextModal([&about](QWidget* w) {
        about = w->size();
        QTest::mouseClick(w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help), Qt::LeftButton);
        qobject_cast<QDialog*>(w)->accept();
    });
    rig.window().ShowAbout();
    EXPECT_EQ(rig.help.Topics(), (std::vector<std::string>{"qmx24.htp#MONITOR", "qmx2.htc"}));
    EXPECT_EQ(about, QSize(shell().screen_width, shell().screen_height));  // the whole screen

    // Hiding keeps the window; showing again brings the same one back.
    MonitorWindow* first = &rig.window();
    EXPECT_TRUE(rig.gui.ShowMainWindow(false));
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(rig.gui.ShowMainWindow(true));
    EXPECT_EQ(&rig.window(), first);
    EXPECT_TRUE(first->isVisible());
}

// The whole manager on the card double with the windows: start-up shows the window and the icon,
// the worker's passes reach the monitor, and "Power Down" asks the commander.
TEST_P(MonitorWindowTest, ShowsTheCardAfterAPollingPassAndPowersDown) {
    testing::OffscreenApp();
    testing::Harness h;
    h.RegisterCard();
    h.card.rssi = 28;  // three bars
    platform::TrayIconLog tray;
    platform::HelpRequestLog help;
    ManagerContext* ctx = nullptr;
    QtManagerUi qt({h.ui, [&ctx] { return MonitorSnapshot(*ctx); }, [&ctx]() -> ManagerContext& { return *ctx; },
                    [] { return platform::HWND(5); },
                    [&ctx](uint32_t c) {
                        if (c == kCmdPowerDown) PowerDown(*ctx);
                    },
                    tray, help, &shell()});
    testing::QtDispatch dispatch;
    GuiThreadUi gui(qt, dispatch);
    ManagerContext context(ManagerServices{*h.clock, h.devices, h.registry, h.folder, gui, h.peers});
    ctx = &context;
    platform::Thread worker;
    ASSERT_EQ(StartManager(context, worker), StartOutcome::kRunning);
    ASSERT_NE(qt.main_window(), nullptr);
    EXPECT_TRUE(qt.main_window()->isVisible());
    ASSERT_EQ(tray.Icons().size(), 1u);
    {
        // The worker runs on the virtual clock by itself while this thread serves the window.
        platform::ExternalWait serving(*h.clock);
        for (int i = 0; i < 2000 && context.passes.load() < 2; ++i) QTest::qWait(5);
        QTest::qWait(5);
    }
    ASSERT_GE(context.passes.load(), 2);
    const QImage image = qt.main_window()->monitor()->grab().toImage();
    int bars = 0;
    for (int left : {13, 28, 43, 58}) bars += image.pixelColor(left + 6, 7) == QColor(0, 0, 128);
    EXPECT_EQ(bars, 3);

    QAction* power_down = qt.main_window()->menus()->actions()[0]->menu()->actions()[0];
    ASSERT_EQ(power_down->text(), "Power Down");
    power_down->trigger();
    EXPECT_EQ(h.peers.sent.back(), kMsgPowerDown);
    context.stop_worker = true;
    {
        platform::ExternalWait joining(*h.clock);
        worker.Join();
    }
}

INSTANTIATE_TEST_SUITE_P(Shells, MonitorWindowTest, ::testing::Values(&kPocketPcShell, &kHandheldPcShell),
                         [](const auto& info) { return std::string(info.param->program); });

}  // namespace
}  // namespace qmx2::manager::ui

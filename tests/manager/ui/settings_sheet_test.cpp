// The "Settings" sheet offscreen: its five pages in order, the "General" page's shown and hidden
// controls, values stored whichever button closes the sheet, and the help topic of each page.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "manager/core/command_ids.h"
#include "manager/ui/message_window.h"
#include "manager/ui/settings_sheet.h"
#include "platform/help_viewer.h"
#include "tests/manager/manager_harness.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

struct Sheet {
    Sheet() { testing::OffscreenApp(); }
    // Opens the sheet, lets `act` work it while it is modal, and returns once it is closed.
    void Run(const std::function<void(QDialog&)>& act) {
        QTimer::singleShot(0, [act] {
            auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(sheet, nullptr);
            // Keys reach the shortcuts of the active window only.
            QApplication::setActiveWindow(sheet);
            EXPECT_TRUE(QTest::qWaitForWindowActive(sheet));
            act(*sheet);
        });
        // The pages' card commands wait on the virtual clock while this thread serves Qt's loop.
        platform::ExternalWait serving(*h.clock);
        ShowSettingsSheet(nullptr, {*h.ctx, help});
    }
    testing::Harness h;
    platform::HelpRequestLog help;
};

QWidget* General(QDialog& sheet) { return sheet.findChild<QTabWidget*>("settingsPages")->widget(0); }

void Click(QDialog& sheet, QDialogButtonBox::StandardButton which) {
    QTest::mouseClick(sheet.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

TEST(SettingsSheetTest, FivePagesInOrderOpeningOnGeneral) {
    Sheet s;
    s.Run([](QDialog& sheet) {
        EXPECT_EQ(sheet.windowTitle(), "Settings");
        auto* pages = sheet.findChild<QTabWidget*>("settingsPages");
        QStringList titles, names;
        for (int i = 0; i < pages->count(); ++i) {
            titles << pages->tabText(i);
            names << pages->widget(i)->objectName();
        }
        EXPECT_EQ(titles, (QStringList{"General", "Messages", "Modem", "Security", "Network"}));
        EXPECT_EQ(names, (QStringList{"page162", "page188", "page167", "page166", "page191"}));
        EXPECT_EQ(pages->currentIndex(), 0);

        // Each page's help request asks for its own topic: Shift+F1, then the help button.
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            QTest::keyClick(&sheet, Qt::Key_F1, Qt::ShiftModifier);
        }
        pages->setCurrentIndex(0);
        Click(sheet, QDialogButtonBox::Help);
        Click(sheet, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(s.help.Topics(),
              (std::vector<std::string>{"qmx23.htp#GENERAL", "qmx23.htp#MESSAGES", "qmx23.htp#MODEM",
                                        "qmx23.htp#SECURITY", "qmx23.htp#NETWORK", "qmx23.htp#GENERAL"}));
}

// The hidden controls carry their stored values back; the shown ones are stored by OK, by Cancel
// and by closing the window alike.
TEST(SettingsSheetTest, GeneralPageStoresItsControlsWhateverClosesTheSheet) {
    const std::function<void(QDialog&)> closers[] = {
        [](QDialog& d) { Click(d, QDialogButtonBox::Ok); },
        [](QDialog& d) { Click(d, QDialogButtonBox::Cancel); },
        [](QDialog& d) { d.close(); },
    };
    for (const auto& close : closers) {
        Sheet s;
        OptionBlock& o = s.h.ctx->options;
        o.cell_info_display = 1;
        o.exit_when_card_removed = 0;
        o.confirm_on_delete = 0;
        o.empty_deleted_on_exit = 1;
        SetField(o.language, "English");
        SetField(o.voice_mailbox, "+4917012345678901234");
        std::string shown;
        s.Run([&](QDialog& sheet) {
            QWidget* page = General(sheet);
            auto* language = page->findChild<QComboBox*>("language");
            ASSERT_EQ(language->count(), 1);
            EXPECT_EQ(language->currentText(), "English");
            for (const char* name : {"confirmOnDelete", "emptyDeletedOnExit", "cellInfoDisplay", "exitWhenCardRemoved"}) {
                auto* box = page->findChild<QCheckBox*>(name);
                shown += std::string(name) + (box->isVisibleTo(page) ? "+" : "-") + (box->isChecked() ? "1 " : "0 ");
            }
            auto* mailbox = page->findChild<QLineEdit*>("voiceMailbox");
            EXPECT_EQ(mailbox->text(), "+4917012345678901234");
            EXPECT_EQ(mailbox->maxLength(), 20);
            EXPECT_FALSE(mailbox->isVisibleTo(page));
            EXPECT_FALSE(page->findChild<QPushButton*>("dialVoiceMailbox")->isVisibleTo(page));
            QTest::mouseClick(page->findChild<QCheckBox*>("confirmOnDelete"), Qt::LeftButton, {}, QPoint(5, 5));
            QTest::mouseClick(page->findChild<QCheckBox*>("emptyDeletedOnExit"), Qt::LeftButton, {}, QPoint(5, 5));
            close(sheet);
        });
        EXPECT_EQ(shown, "confirmOnDelete+0 emptyDeletedOnExit+1 cellInfoDisplay-1 exitWhenCardRemoved-0 ");
        EXPECT_EQ(o.confirm_on_delete, 1);
        EXPECT_EQ(o.empty_deleted_on_exit, 0);
        EXPECT_EQ(o.cell_info_display, 1);
        EXPECT_EQ(o.exit_when_card_removed, 0);
        EXPECT_EQ(FieldText(o.language), "English");
        EXPECT_EQ(FieldText(o.voice_mailbox), "+4917012345678901234");
    }
}

// The manager closes the message window (the commander's destroy) while its sheet is up: the
// sheet ends first and its pages store; nothing is left behind.
TEST(SettingsSheetTest, EndsWithTheWindowItBelongsTo) {
    Sheet s;
    auto* window = new MessageWindow(*s.h.ctx, s.help);
    window->setAttribute(Qt::WA_DeleteOnClose);
    const QPointer<MessageWindow> alive(window);
    window->show();
    s.h.ctx->options.confirm_on_delete = 0;
    QTimer::singleShot(0, [&] {
        auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(sheet, nullptr);
        sheet->findChild<QCheckBox*>("confirmOnDelete")->setChecked(true);
        window->close();
    });
    {
        platform::ExternalWait serving(*s.h.clock);
        window->Command(kCmdToolSettings);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(s.h.ctx->options.confirm_on_delete, 1);
    QTest::qWait(5);  // the window's deferred deletion
    EXPECT_TRUE(alive.isNull());
}

// The commander destroys the manager while the sheet is up over the monitor: the pages store
// when the manager closes its windows, before it saves its files, not once the sheet's loop ends.
TEST(SettingsSheetTest, AnOpenSheetStoresWhenTheManagerClosesItsWindows) {
    Sheet s;
    s.h.ctx->options.confirm_on_delete = 0;
    int stored = -1;
    s.Run([&](QDialog& sheet) {
        sheet.findChild<QCheckBox*>("confirmOnDelete")->setChecked(true);
        StoreOpenSettingsSheets();
        stored = s.h.ctx->options.confirm_on_delete;
    });
    EXPECT_EQ(stored, 1);
}

}  // namespace
}  // namespace qmx2::manager::ui

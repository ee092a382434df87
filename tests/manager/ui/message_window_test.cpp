// Qmx2PPC's message window offscreen on the card double with the polling worker running: folder
// tree and drop-down, command states, keys in the list, the message dialog, sorting, and a move
// of two SIM messages to "PDA" that frees their slots on the card.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "manager/core/command_ids.h"
#include "manager/core/gui_thread_ui.h"
#include "manager/core/main_window.h"
#include "manager/core/polling.h"
#include "manager/messages/send.h"
#include "manager/ui/card_command.h"
#include "manager/ui/message_window.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "platform/help_viewer.h"
#include "tests/manager/manager_harness.h"
#include "tests/manager/ui/qt_face_rig.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

using testing::CardMessage;

// The manager with its windows; the worker runs on the virtual clock by itself while the test
// thread serves the windows.
struct Manager : testing::QtFaceRig {
    // `prepare` sets up the handheld's files before the start.
    explicit Manager(const std::function<void(testing::Harness&)>& prepare = {}) {
        testing::OffscreenApp();
        // Every message box (the worker's "New SMS arrived" among them) is read and closed, with
        // the next of `answers` when there is one.
        QObject::connect(&reader, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back((box->windowTitle() + "|" + box->text()).toStdString());
                buttons.push_back(box->standardButtons());
                QAbstractButton* answer = answers.empty() ? nullptr : box->button(answers.front());
                if (!answers.empty()) answers.pop_front();
                if (answer) answer->click();
                else box->accept();
            }
        });
        reader.start(2);
        h.RegisterCard();
        h.card.messages[0] = CardMessage{"REC UNREAD", "+491701111", "26/01/05,12:00:00+04", "Hi\nthere"};
        h.card.messages[1] = CardMessage{"REC READ", "0302222", "26/01/04,12:00:00+04", "Yo"};
        h.card.messages[2] = CardMessage{"STO SENT", "0303333", "26/01/03,12:00:00+04", "Sent one"};
        if (prepare) prepare(h);
        EXPECT_EQ(StartManager(context, worker), StartOutcome::kRunning);
        Serve([&] { return context.messages_loaded.load() && context.passes.load() >= 2 && !boxes.empty(); });
    }
    ~Manager() {
        context.stop_worker = true;
        platform::ExternalWait joining(*h.clock);
        worker.Join();
    }
    MessageWindow& Open() {
        qt.Command(kCmdShortMessages);
        EXPECT_NE(qt.message_window(), nullptr);
        return *qt.message_window();
    }

    std::vector<std::string> boxes;
    std::vector<QMessageBox::StandardButtons> buttons;
    std::deque<QMessageBox::StandardButton> answers;
    QTimer reader;
    platform::Thread worker;
};

QStringList Column(QTreeWidget* list, int column) {
    QStringList cells;
    for (int i = 0; i < list->topLevelItemCount(); ++i) cells << list->topLevelItem(i)->text(column);
    return cells;
}

void SelectRow(MessageWindow& w, int row) {
    QTreeWidgetItem* item = w.list()->topLevelItem(row);
    ASSERT_NE(item, nullptr);
    w.list()->setCurrentItem(item);
}

std::string States(MessageWindow& w) {
    std::string s;
    for (uint32_t c : {kCmdOpen, kCmdMove, kCmdCopy, kCmdDelete, kCmdSendStored, kCmdReply, kCmdForward, kCmdPaste})
        s += w.action(c)->isEnabled() ? '1' : '0';
    return s;
}

TEST(MessageWindowTest, FoldersCommandStatesAndReopening) {
    Manager m;
    ASSERT_FALSE(m.boxes.empty());
    EXPECT_EQ(m.boxes[0], "Orvan Pellion 2.0|New SMS arrived");
    MessageWindow& w = m.Open();
    EXPECT_EQ(w.size().width(), 240);
    EXPECT_EQ(w.tree()->geometry(), QRect(0, 0, 240, 120));
    EXPECT_EQ(w.list()->geometry(), QRect(0, 121, 240, 128));
    EXPECT_FALSE(w.drop_down()->isVisible());
    EXPECT_EQ(w.folder(), Folder::kInbox);
    EXPECT_EQ(w.tree()->currentItem()->text(0), "Inbox (1)");
    EXPECT_EQ(Column(w.list(), 2).size(), 2);
    EXPECT_EQ(States(w), "00000000");  // a folder was just selected

    // Open, Move, Copy, Delete, Send, Reply, Forward, Paste.
    SelectRow(w, 0);
    EXPECT_EQ(States(w), "11110110");
    // A delete answered No keeps the row selected and its commands on.
    m.context.options.confirm_on_delete = 1;
    const size_t shown = m.boxes.size();
    QTimer::singleShot(0, [&] { w.Command(kCmdDelete); });
    m.Serve([&] { return m.boxes.size() > shown; });
    EXPECT_EQ(m.boxes.back(), "Orvan Pellion 2.0|Do you want to delete?");
    EXPECT_EQ(w.list()->selectedItems().size(), 1);
    EXPECT_EQ(States(w), "11110110");
    m.context.options.confirm_on_delete = 0;

    // The drop-down takes the tree's place; its entries choose the same folder in the tree.
    w.action(kCmdFolder)->trigger();
    EXPECT_TRUE(w.drop_down()->isVisible());
    EXPECT_FALSE(w.tree()->isVisible());
    EXPECT_EQ(w.list()->geometry(), QRect(0, 21, 240, 228));
    QStringList entries;
    for (int i = 0; i < w.drop_down()->count(); ++i) entries << w.drop_down()->itemText(i);
    EXPECT_EQ(entries.join("|"), "Personal Folder|->Inbox|->Own Messages|->Sent Messages|->Draft|->PDA|"
                                 "->Deleted Messages");
    w.drop_down()->activated(2);
    EXPECT_EQ(w.folder(), Folder::kOwn);
    EXPECT_EQ(w.tree()->currentItem()->text(0), "Own Messages");
    ASSERT_EQ(Column(w.list(), 1), QStringList{"Sent one"});
    SelectRow(w, 0);
    EXPECT_EQ(States(w), "11111010");

    // "Short Messages..." again: the same window, folder and selection.
    MessageWindow* first = &w;
    EXPECT_EQ(&m.Open(), first);
    EXPECT_EQ(first->folder(), Folder::kOwn);
    EXPECT_EQ(first->list()->selectedItems().size(), 1);

    // In "Deleted Messages" Reply and Forward stay off.
    first->drop_down()->activated(6);
    EXPECT_EQ(first->folder(), Folder::kDeleted);
    EXPECT_FALSE(first->action(kCmdReply)->isEnabled());
    EXPECT_FALSE(first->action(kCmdForward)->isEnabled());

    // "Write Message..." opens the write window.
    first->action(kCmdWriteMessage)->trigger();
    ASSERT_NE(m.qt.write_window(), nullptr);
    m.qt.write_window()->close();
    // "SMS Settings..." without a user profile opens nothing.
    first->action(kCmdSmsSettings)->trigger();
    EXPECT_EQ(m.boxes.back(), "Orvan Pellion 2.0|No user defined SMS center profile, use SIM default.");

    // "Settings..." opens the sheet over the window. The worker runs on meanwhile and may put
    // its own boxes over the sheet, so the sheet is looked for until it is found.
    bool sheet_seen = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (sheet && sheet->objectName() == "settingsSheet") {
            sheet_seen = true;
            sheet->reject();
        }
    });
    closer.start(5);
    {
        // Closing the sheet sets the card's message centre.
        platform::ExternalWait serving(*m.h.clock);
        first->action(kCmdToolSettings)->trigger();
    }
    closer.stop();
    EXPECT_TRUE(sheet_seen);
    EXPECT_EQ(std::count(m.boxes.begin(), m.boxes.end(), "Orvan Pellion 2.0|This window is not available yet in this build."), 0);

    QApplication::setActiveWindow(first);
    QTest::keyClick(first, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(m.help.Topics(), std::vector<std::string>{"qmx21.htp#SHORTMESSAGE"});
}

TEST(MessageWindowTest, EnterOpensTheMessageDialogAndHeadersSort) {
    Manager m;
    MessageWindow& w = m.Open();
    // Newest first.
    EXPECT_EQ(Column(w.list(), 1), (QStringList{"Hi there", "Yo"}));
    w.list()->header()->sectionClicked(1);
    EXPECT_EQ(Column(w.list(), 1), (QStringList{"Hi there", "Yo"}));
    w.list()->header()->sectionClicked(1);
    EXPECT_EQ(Column(w.list(), 1), (QStringList{"Yo", "Hi there"}));
    w.list()->header()->sectionClicked(2);
    EXPECT_EQ(Column(w.list(), 1), (QStringList{"Yo", "Hi there"}));  // oldest first
    SelectRow(w, 1);
    std::string labels, who, text;
    QTimer::singleShot(10, [&] {
        QWidget* d = QApplication::activeModalWidget();
        if (!d) return;
        for (QLabel* l : d->findChildren<QLabel*>()) labels += l->text().toStdString() + "|";
        who = d->findChild<QLineEdit*>("who")->text().toStdString();
        text = d->findChild<QPlainTextEdit*>("text")->toPlainText().toStdString();
        EXPECT_EQ(d->objectName(), "dialog196");
        EXPECT_EQ(d->pos().y(), 26);
        qobject_cast<QDialog*>(d)->accept();
    });
    w.list()->setFocus();
    QTest::keyClick(w.list(), Qt::Key_Return);
    QTest::qWait(30);
    EXPECT_EQ(labels, "From:|Message:|Date & Time:|");
    EXPECT_EQ(who, "+491701111");
    EXPECT_EQ(text, "Hi\nthere");
    // Read now.
    EXPECT_EQ(w.tree()->currentItem()->text(0), "Inbox");

    // The manager closing its windows while the dialog is open ends both.
    SelectRow(w, 0);
    bool dialog_shown = false;
    QTimer::singleShot(10, [&] {
        dialog_shown = QApplication::activeModalWidget() != nullptr;
        m.qt.CloseChildWindows();
    });
    w.Command(kCmdOpen);
    QTest::qWait(20);
    EXPECT_TRUE(dialog_shown);
    EXPECT_EQ(m.qt.message_window(), nullptr);
}

TEST(MessageWindowTest, MoveTwoToPdaWithCtrlXAndCtrlVFreesTheSimSlots) {
    Manager m;
    MessageWindow& w = m.Open();
    w.list()->setFocus();
    QTest::keyClick(w.list(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.list()->selectedItems().size(), 2);
    QTest::keyClick(w.list(), Qt::Key_X, Qt::ControlModifier);
    {
        platform::ExternalWait serving(*m.h.clock);
        QTest::qWait(20);
    }
    EXPECT_TRUE(w.action(kCmdPaste)->isEnabled());
    w.drop_down()->activated(5);
    ASSERT_EQ(w.folder(), Folder::kPda);
    w.list()->setFocus();
    QTest::keyClick(w.list(), Qt::Key_V, Qt::ControlModifier);
    m.Serve([&] { return Column(w.list(), 1).size() == 2; });
    EXPECT_EQ(Column(w.list(), 1).size(), 2);
    m.context.stop_worker = true;
    {
        platform::ExternalWait joining(*m.h.clock);
        m.worker.Join();
    }
    // The two SIM slots are freed on the card, the sent message's stays.
    std::vector<std::string> deletes;
    for (const std::string& c : m.h.card.Commands())
        if (c.rfind("AT+CMGD=", 0) == 0) deletes.push_back(c);
    EXPECT_EQ(deletes, (std::vector<std::string>{"AT+CMGD=1", "AT+CMGD=2"}));
}

// The operations' questions come up as Qt message boxes with their buttons; a damaged
// "pcmsg.txt" at start is told, read as far as it goes and kept as it was.
TEST(MessageWindowTest, QuestionsAndADamagedMessageFile) {
    std::string damaged;
    Manager m([&](testing::Harness& h) {
        for (const char* text : {"Kept one", "Kept two"}) {
            MessageRecord r{};
            SetField(r.status, "STO SENT");
            SetField(r.number, "0304444");
            SetField(r.text, text);
            damaged.append(reinterpret_cast<const char*>(&r), sizeof r);
        }
        damaged.append(100, 'x');  // a third record cut short
        h.folder.files["pcmsg.txt"] = damaged;
    });
    const std::string told = "Orvan Pellion 2.0|\\Program Files\\QMX2\\pcmsg.txt is damaged: 2 of its records could be "
                             "read. The file as found is kept as \\Program Files\\QMX2\\pcmsg.bad.";
    EXPECT_NE(std::find(m.boxes.begin(), m.boxes.end(), told), m.boxes.end());
    EXPECT_EQ(m.h.folder.files["pcmsg.bad"], damaged);
    MessageWindow& w = m.Open();
    w.drop_down()->activated(3);
    EXPECT_EQ(Column(w.list(), 1), (QStringList{"Kept one", "Kept two"}));

    // "Confirm on delete": one question for two messages; No keeps them, Yes deletes both.
    m.context.options.confirm_on_delete = 1;
    w.drop_down()->activated(1);
    const size_t before = m.boxes.size();
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        w.list()->clearSelection();
        w.list()->selectAll();
        m.answers = {answer};
        platform::ExternalWait serving(*m.h.clock);
        w.Command(kCmdDelete);
    }
    ASSERT_EQ(m.boxes.size(), before + 2);
    EXPECT_EQ(m.boxes[before], "Orvan Pellion 2.0|Do you want to delete?");
    EXPECT_EQ(m.boxes[before + 1], m.boxes[before]);
    EXPECT_EQ(m.buttons.back(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(w.list()->topLevelItemCount(), 0);

    // More than 160 characters: sending asks with OK and Cancel, Cancel sends nothing; the
    // draft's question, answered OK, keeps the first 160.
    WriteWindowState composed{{u"0305555"}, -1, u"", std::u16string(170, u'a')};
    SendReport report;
    int draft = -1;
    m.answers = {QMessageBox::Cancel, QMessageBox::Ok};
    {
        platform::ExternalWait serving(*m.h.clock);
        RunCardCommand(&w, *m.h.clock, [&] {
            report = SendMessage(m.context, composed);
            draft = SaveDraft(m.context, composed);
        });
    }
    ASSERT_GE(m.boxes.size(), before + 4);
    EXPECT_EQ(m.boxes[before + 2],
              "Orvan Pellion 2.0|Short message length exceeded, only first 160 characters will be sent.");
    EXPECT_EQ(m.boxes[before + 3],
              "Orvan Pellion 2.0|Short message length exceeded, only first 160 characters will be save.");
    EXPECT_EQ(m.buttons[before + 2], QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(m.h.card.CountCommands("AT+CMGS"), 0u);
    ASSERT_GE(draft, 0);
    EXPECT_EQ(FieldText(m.context.messages.At(draft)->text), std::string(160, 'a'));
}

}  // namespace
}  // namespace qmx2::manager::ui

// Qmx2PPC's write window offscreen on the emulated card: the counter and the 320 limit, the
// number entry and the recipient list, the picture buttons, the opening modes, sending with the
// card's log checked, and the recipient pickers.
#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "hardware/card/card_port.h"
#include "manager/core/card_port.h"
#include "manager/core/command_ids.h"
#include "manager/core/fixed_text.h"
#include "manager/core/polling.h"
#include "manager/messages/message_load.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "manager/ui/recipient_pickers.h"
#include "manager/ui/write_panel.h"
#include "manager/ui/write_window.h"
#include "platform/help_viewer.h"
#include "tests/manager/messages/card_rig.h"
#include "tests/manager/ui/qt_face_rig.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

using testing::OnNextModal;

const std::string kCap = "Orvan Pellion 2.0|";

// The windows on the emulated card, without a polling worker: a pause waits out its time on the
// virtual clock while the test serves Qt's loop outside the clock.
struct Rig : testing::QtFaceRig {
    Rig() : port(*h.clock, hardware::card::DefaultScenario()), recorder(port) {
        testing::OffscreenApp();
        QObject::connect(&reader, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back((box->windowTitle() + "|" + box->text()).toStdString());
                if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
                else box->accept();
            }
        });
        reader.start(2);
        h.devices.Unregister(u"COM3:");
        h.devices.Register(u"COM3:", &recorder);
        h.RegisterCard();
        FindCardPort(context);
        context.sim_message_slots =
            port.WithPhone([](hardware::card::Phone& p) { return int(p.sim().messages.size()); });
        context.messages.Allocate(context.sim_message_slots);
    }
    ~Rig() { h.devices.Unregister(u"COM3:"); }

    WriteWindow& Open() {
        qt.Command(kCmdWriteMessages);
        EXPECT_NE(qt.write_window(), nullptr);
        return *qt.write_window();
    }
    void AddContact(BookId id, const char* name, const char* number) {
        PhoneBook& book = context.books.Book(id);
        PhonebookEntry e{};
        SetField(e.name, name);
        SetField(e.number, number);
        book.entries.push_back(e);
    }
    uint64_t CardCommands() {
        return port.WithPhone([](hardware::card::Phone& p) { return p.commands_handled(); });
    }

    hardware::card::CardPort port;
    testing::RecordingPort recorder;
    std::vector<std::string> boxes;
    QTimer reader;
};

QStringList Items(QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
}

QStringList Column(QTreeWidget* list, int column) {
    QStringList cells;
    for (int i = 0; i < list->topLevelItemCount(); ++i) cells << list->topLevelItem(i)->text(column);
    return cells;
}

std::u16string Text(WriteWindow& w) { return w.State().text; }

bool CounterPaintedRed(WriteWindow& w) {
    const QImage image = w.panel()->grab(WritePanel::CounterRect()).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 90 && c.blue() < 90) return true;
        }
    return false;
}

TEST(WriteWindowTest, CounterLineBreaksAndTheLimitOfTheText) {
    Rig rig;
    WriteWindow& w = rig.Open();
    EXPECT_EQ(w.menuBar()->objectName(), "menu109");
    EXPECT_EQ(w.centralWidget()->size(), QSize(240, 294));
    EXPECT_EQ(w.text_edit()->geometry(), QRect(19, 35, 203, 105));
    EXPECT_EQ(w.number_edit()->geometry(), QRect(58, 165, 163, 17));
    EXPECT_EQ(w.recipient_list()->geometry(), QRect(58, 185, 163, 55));
    EXPECT_EQ(w.panel()->counter_text(), "0 / 160");

    QTest::keyClicks(w.text_edit(), QString(160, 'a'));
    EXPECT_EQ(w.panel()->counter_text(), "160 / 160");
    EXPECT_FALSE(CounterPaintedRed(w));
    QTest::keyClick(w.text_edit(), Qt::Key_B);
    EXPECT_EQ(w.panel()->counter_text(), "161 / 160");
    EXPECT_TRUE(CounterPaintedRed(w));
    // A line break is CR LF in the text and one character on the counter.
    QTest::keyClick(w.text_edit(), Qt::Key_Return);
    EXPECT_EQ(w.panel()->counter_text(), "162 / 160");
    EXPECT_EQ(Text(w), std::u16string(160, u'a') + u"b\r\n");

    // Nothing beyond 320 (the break counts two there).
    QTest::keyClicks(w.text_edit(), QString(200, 'c'));
    EXPECT_EQ(Text(w), std::u16string(160, u'a') + u"b\r\n" + std::u16string(157, u'c'));
    EXPECT_EQ(w.panel()->counter_text(), "319 / 160");
    const std::u16string full = Text(w);

    // Ctrl+A selects all; 10,000 characters pasted over it keep the first 320; Undo brings the
    // text back whole.
    QTest::keyClick(w.text_edit(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.text_edit()->textCursor().selectedText().size(), 320 - 1);
    QApplication::clipboard()->setText(QString(10000, 'x'));
    w.action(kCmdPasteText)->trigger();
    EXPECT_EQ(Text(w), std::u16string(320, u'x'));
    EXPECT_EQ(w.panel()->counter_text(), "320 / 160");
    w.action(kCmdUndo)->trigger();
    EXPECT_EQ(Text(w), full);

    // Over 160 the draft asks first; OK keeps the first 160.
    w.action(kCmdSaveDraft)->trigger();
    ASSERT_FALSE(rig.boxes.empty());
    EXPECT_EQ(rig.boxes.back(), kCap + "Short message length exceeded, only first 160 characters will be save.");
    const int n = rig.context.sim_message_slots;
    EXPECT_STREQ(rig.context.messages.records[size_t(n)].status, "DRAFT");
    EXPECT_EQ(std::string(rig.context.messages.records[size_t(n)].text), std::string(160, 'a'));
}

TEST(WriteWindowTest, MenuEntriesAndTheEditCommands) {
    Rig rig;
    WriteWindow& w = rig.Open();
    QStringList entries;
    for (QAction* top : w.menuBar()->actions())
        for (QAction* a : top->menu()->actions()) entries << top->text() + "/" + a->text();
    EXPECT_EQ(entries.join("|"), "File/Send|File/Save to Draft|File/Close|Edit/Undo|Edit/Cut|Edit/Copy|Edit/Paste|"
                                 "Edit/Delete|Edit/Select All|Tools/Select Recipients...|Tools/Recent Recipients...|"
                                 "Tools/Settings...|Tools/Options...");
    QTest::keyClicks(w.text_edit(), "abc");
    w.action(kCmdSelectAll)->trigger();
    w.action(kCmdCopy)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");
    w.action(kCmdDelete)->trigger();
    EXPECT_EQ(Text(w), u"");
    w.action(kCmdPasteText)->trigger();
    w.action(kCmdPasteText)->trigger();
    w.action(kCmdSelectAll)->trigger();
    w.action(kCmdCut)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "abcabc");
    EXPECT_EQ(Text(w), u"");
    w.action(kCmdCloseWrite)->trigger();
    QTest::qWait(1);
    EXPECT_EQ(rig.qt.write_window(), nullptr);
}

TEST(WriteWindowTest, NumberEntryRecipientListAndPictureButtons) {
    Rig rig;
    WriteWindow& w = rig.Open();
    QListWidget* list = w.recipient_list();
    QTest::keyClick(w.number_edit(), Qt::Key_Return);
    EXPECT_EQ(list->count(), 0);
    // What is typed goes in as typed, at most 20 characters; Enter clears the list's selection.
    QTest::keyClicks(w.number_edit(), "0170 abc");
    QTest::keyClick(w.number_edit(), Qt::Key_Return);
    QTest::keyClicks(w.number_edit(), "0123456789012345678999");
    list->setCurrentRow(0);
    QTest::keyClick(w.number_edit(), Qt::Key_Return);
    EXPECT_EQ(Items(list), (QStringList{"0170 abc", "01234567890123456789"}));
    EXPECT_TRUE(w.number_edit()->text().isEmpty());
    EXPECT_TRUE(list->selectedItems().isEmpty());

    // The text getting the focus clears the recipient selection.
    list->setCurrentRow(1);
    QApplication::setActiveWindow(&w);
    list->setFocus();
    w.text_edit()->setFocus();
    EXPECT_TRUE(list->selectedItems().isEmpty());

    // The third button: pressed image while held, moving out cancels, lifting inside removes.
    WritePanel* panel = w.panel();
    const QPoint inside = WritePanel::ButtonRect(kRemoveButton).center();
    list->setCurrentRow(0);
    QTest::mousePress(panel, Qt::LeftButton, {}, inside);
    EXPECT_EQ(panel->pressed(), kRemoveButton);
    QTest::mouseMove(panel, inside + QPoint(60, 0));
    EXPECT_EQ(panel->pressed(), kNoButton);
    QTest::mouseRelease(panel, Qt::LeftButton, {}, inside);
    EXPECT_EQ(list->count(), 2);
    QTest::mouseClick(panel, Qt::LeftButton, {}, inside);
    EXPECT_EQ(Items(list), QStringList{"01234567890123456789"});
    // Del in the list.
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(list->count(), 0);

    // An entry with nothing dialable in it reaches no card and says so.
    QTest::keyClicks(w.number_edit(), "abc");
    QTest::keyClick(w.number_edit(), Qt::Key_Return);
    QTest::keyClicks(w.text_edit(), "Hi");
    rig.recorder.Clear();
    QTimer::singleShot(0, [&] { QTest::mouseClick(panel, Qt::LeftButton, {}, WritePanel::ButtonRect(kSendButton).center()); });
    rig.Serve([&] { return !rig.boxes.empty(); });
    EXPECT_EQ(rig.boxes, std::vector<std::string>{kCap + "abc - send message failure."});
    EXPECT_EQ(rig.recorder.Count("AT+CMGS"), 0u);

    // The second button opens "Select Recipients".
    std::string opened;
    const auto watch = OnNextModal([&](QWidget* d) {
        opened = d->objectName().toStdString();
        qobject_cast<QDialog*>(d)->reject();
    });
    QTest::mouseClick(panel, Qt::LeftButton, {}, WritePanel::ButtonRect(kPickButton).center());
    EXPECT_EQ(opened, "dialog131");
}

TEST(WriteWindowTest, SendsToTheCardKeepsTheSentCopyAndListsRecentRecipients) {
    Rig rig;
    rig.AddContact(BookId::kSim, "Anna", "+491701111");
    WriteWindow& w = rig.Open();
    QTest::keyClicks(w.number_edit(), "+49 170 1111");
    QTest::keyClick(w.number_edit(), Qt::Key_Return);
    QTest::keyClicks(w.text_edit(), "Hello");
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(w.panel(), Qt::LeftButton, {}, WritePanel::ButtonRect(kSendButton).center());
    });
    rig.Serve([&] { return !rig.boxes.empty(); });
    EXPECT_EQ(rig.boxes, std::vector<std::string>{kCap + "Message(s) sent."});
    EXPECT_EQ(rig.recorder.Count("AT+CMGS=\"+491701111\",145"), 1u);
    auto sent = rig.port.WithPhone([](hardware::card::Phone& p) { return p.sent_messages(); });
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].text, "Hello");
    // The list and the text stay.
    EXPECT_EQ(Items(w.recipient_list()), QStringList{"+49 170 1111"});
    EXPECT_EQ(Text(w), u"Hello");

    // The sent copy in "Sent Messages".
    rig.qt.Command(kCmdShortMessages);
    MessageWindow* messages = rig.qt.message_window();
    ASSERT_NE(messages, nullptr);
    messages->drop_down()->activated(3);
    EXPECT_EQ(Column(messages->list(), 1), QStringList{"Hello"});

    // Control characters in the text (Ctrl-Z, ESC, a CR before a command) cannot start a second
    // command on the card: three commands for the send, and the text arrives as one message.
    QTest::keyClick(w.text_edit(), Qt::Key_A, Qt::ControlModifier);
    w.text_edit()->insertPlainText(QString("x\x1A" "AT+CMGD=1\x1B\rAT+CPWD"));
    const uint64_t before = rig.CardCommands();
    rig.recorder.Clear();
    rig.boxes.clear();
    QApplication::setActiveWindow(&w);
    QTimer::singleShot(0, [&] { QTest::keyClick(w.text_edit(), Qt::Key_Return, Qt::ControlModifier); });
    rig.Serve([&] { return !rig.boxes.empty(); });
    EXPECT_EQ(rig.boxes, std::vector<std::string>{kCap + "Message(s) sent."});
    EXPECT_EQ(rig.CardCommands() - before, 3u);
    EXPECT_EQ(rig.recorder.Count("AT+CMGD"), 0u);
    sent = rig.port.WithPhone([](hardware::card::Phone& p) { return p.sent_messages(); });
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].text, "xAT+CMGD=1\nAT+CPWD");

    // The worker names sent copies from the phone books; "Recent Recipients" shows the name.
    ResolveSenderNames(rig.context);
    QStringList recent;
    const auto watch = OnNextModal([&](QWidget* d) {
        auto* dialog = static_cast<RecentRecipientsDialog*>(d);
        recent = Items(dialog->list());
        dialog->list()->setCurrentRow(0);
        dialog->accept();
    });
    w.action(kCmdRecentRecipients)->trigger();
    EXPECT_EQ(recent, (QStringList{"Anna (+491701111)", "Anna (+491701111)"}));
    EXPECT_EQ(Items(w.recipient_list()), (QStringList{"+49 170 1111", "Anna (+491701111)"}));
}

TEST(WriteWindowTest, OpeningModesFillTheWindowWithCrLfLineEnds) {
    Rig rig;
    MessageRecord record{};
    SetField(record.status, "REC READ");
    SetField(record.number, "+4917");
    SetField(record.text, "a\nb\rc\r\nd");
    struct Case {
        int mode;
        QStringList recipients;
        std::u16string text;
    };
    const Case cases[] = {{kWriteEmpty, {}, u""},
                          {kWriteReply, {"+4917"}, u""},
                          {kWriteForward, {}, u"a\r\nb\r\nc\r\nd"},
                          {kWriteForwardToo, {}, u"a\r\nb\r\nc\r\nd"},
                          {kWriteSendStored, {"+4917"}, u"a\r\nb\r\nc\r\nd"}};
    for (const Case& c : cases) {
        rig.qt.OpenWrite(c.mode, &record);
        WriteWindow* w = rig.qt.write_window();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(Items(w->recipient_list()), c.recipients) << c.mode;
        EXPECT_EQ(Text(*w), c.text) << c.mode;
        EXPECT_EQ(w->text_edit()->document()->blockCount(), c.text.empty() ? 1 : 4) << c.mode;
        w->close();
        QTest::qWait(1);
        EXPECT_EQ(rig.qt.write_window(), nullptr);
    }
    // An open window is only brought forward.
    rig.qt.OpenWrite(kWriteEmpty, nullptr);
    WriteWindow* w = rig.qt.write_window();
    rig.qt.OpenWrite(kWriteSendStored, &record);
    EXPECT_EQ(rig.qt.write_window(), w);
    EXPECT_EQ(w->recipient_list()->count(), 0);
    w->close();
    QTest::qWait(1);

    // "Reply..." from the message window with the selected message.
    rig.context.messages.records[0] = record;
    rig.context.messages.records[0].slot_number = 1;
    rig.qt.Command(kCmdShortMessages);
    MessageWindow* messages = rig.qt.message_window();
    messages->list()->setCurrentItem(messages->list()->topLevelItem(0));
    messages->action(kCmdReply)->trigger();
    ASSERT_NE(rig.qt.write_window(), nullptr);
    EXPECT_EQ(Items(rig.qt.write_window()->recipient_list()), QStringList{"+4917"});
}

TEST(WriteWindowTest, RecipientPickersAndHelp) {
    Rig rig;
    rig.AddContact(BookId::kSim, "Bob", "0302");
    rig.AddContact(BookId::kSim, "Anna", "0301");
    rig.AddContact(BookId::kSim, "Nobody", "");
    rig.AddContact(BookId::kCard, "Carl", "0109");
    rig.AddContact(BookId::kPda, "Dora", "0555");
    WriteWindow& w = rig.Open();

    QStringList names, by_number, reversed, chosen_after_to, chosen_after_refresh;
    const auto watch = OnNextModal([&](QWidget* d) {
        auto* dialog = static_cast<SelectRecipientsDialog*>(d);
        QTreeWidget* candidates = dialog->candidates();
        EXPECT_EQ(Column(candidates, 1).size(), 4);
        names = Column(candidates, 0);
        candidates->header()->sectionClicked(1);
        by_number = Column(candidates, 1);
        candidates->header()->sectionClicked(1);
        reversed = Column(candidates, 1);
        dialog->to_button()->click();  // the first: the highest number now
        dialog->to_button()->click();
        dialog->chosen()->setCurrentRow(0);
        dialog->remove_button()->click();
        chosen_after_to = Items(dialog->chosen());
        dialog->refresh_button()->click();
        chosen_after_refresh = Items(dialog->chosen());
        dialog->to_button()->click();
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
        dialog->accept();
    });
    w.action(kCmdSelectRecipients)->trigger();
    EXPECT_EQ(names, (QStringList{"Anna", "Bob", "Carl", "Dora"}));
    EXPECT_EQ(by_number, (QStringList{"0109", "0301", "0302", "0555"}));
    EXPECT_EQ(reversed, (QStringList{"0555", "0302", "0301", "0109"}));
    EXPECT_EQ(chosen_after_to, QStringList{"Bob (0302)"});
    EXPECT_TRUE(chosen_after_refresh.isEmpty());
    EXPECT_EQ(Items(w.recipient_list()), QStringList{"Dora (0555)"});

    // "Select Number": the SIM book's entries; OK gives the selected number.
    const auto pick = OnNextModal([&](QWidget* d) {
        auto* dialog = static_cast<SelectNumberDialog*>(d);
        EXPECT_EQ(dialog->objectName(), "dialog133");
        EXPECT_EQ(Column(dialog->rows(), 0), (QStringList{"Bob", "Anna"}));
        dialog->rows()->setCurrentItem(dialog->rows()->topLevelItem(1));
        dialog->accept();
    });
    EXPECT_EQ(SelectNumber(rig.context, &w), "0301");

    // "Settings..." opens the sheet; "Options..." without a user profile opens nothing.
    std::string sheet;
    const auto settings = OnNextModal([&](QWidget* d) {
        sheet = d->objectName().toStdString();
        qobject_cast<QDialog*>(d)->reject();
    });
    {
        platform::ExternalWait serving(*rig.h.clock);  // closing the sheet sets the message centre
        w.action(kCmdToolSettings)->trigger();
    }
    EXPECT_EQ(sheet, "settingsSheet");
    w.action(kCmdOptions)->trigger();
    EXPECT_EQ(rig.boxes.back(), kCap + "No user defined SMS center profile, use SIM default.");
    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(rig.help.Topics(), (std::vector<std::string>{"qmx21.htp#SELECTRECIPIENTS", "qmx21.htp#WRITEMESSAGE"}));

    // The manager closing its windows while a picker is open ends both.
    const auto closing = OnNextModal([&](QWidget*) { rig.qt.CloseChildWindows(); });
    w.action(kCmdRecentRecipients)->trigger();
    QTest::qWait(1);
    EXPECT_EQ(rig.qt.write_window(), nullptr);
}

}  // namespace
}  // namespace qmx2::manager::ui

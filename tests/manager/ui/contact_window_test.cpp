// Qmx2PPC's contact window offscreen on the card double with the polling worker running: the
// loading notice, sorting, command states and keys; new, edit, copy, move and delete in each of
// the three books through the real dialogs, seen in the card's books; text that could break an
// AT command, typed or pasted into every edit.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "manager/core/command_ids.h"
#include "manager/core/main_window.h"
#include "manager/core/polling.h"
#include "manager/ui/contact_window.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "manager/ui/write_window.h"
#include "platform/help_viewer.h"
#include "tests/manager/manager_harness.h"
#include "tests/manager/ui/qt_face_rig.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

using testing::CardEntry;

// What a person does in a dialog once it is shown.
using DialogStep = std::function<void(QDialog*)>;

// The manager with its windows, small card books (SIM: names 14, numbers 20; Card: 16 and 30).
// Message boxes are read and answered Yes/OK; other dialogs are worked by `steps`, in order.
struct Manager : testing::QtFaceRig {
    Manager() {
        testing::OffscreenApp();
        QObject::connect(&reader, &QTimer::timeout, [this] { Answer(); });
        reader.start(2);
        h.RegisterCard();
        h.card.sim_book = {20, 14, std::vector<std::optional<CardEntry>>(5)};
        h.card.card_book = {30, 16, std::vector<std::optional<CardEntry>>(5)};
    }
    ~Manager() {
        context.stop_worker = true;
        if (!outside) outside.emplace(*h.clock);
        worker.Join();
    }
    void Start() {
        ASSERT_EQ(StartManager(context, worker), StartOutcome::kRunning);
        // From here the worker alone drives the virtual clock.
        outside.emplace(*h.clock);
        for (int i = 0; i < 2000 && !(context.sim_book_loaded && context.card_book_loaded); ++i) QTest::qWait(5);
        ASSERT_TRUE(context.sim_book_loaded && context.card_book_loaded);
    }
    ContactWindow& Open() {
        qt.Command(kCmdContactDirectory);
        EXPECT_NE(qt.contact_window(), nullptr);
        return *qt.contact_window();
    }
    void Answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes.push_back(box->text().toStdString());
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && !steps.empty()) {
            DialogStep step = std::move(steps.front());
            steps.pop_front();
            step(dialog);
        }
    }
    // The card's book (the handheld's for PDA) as "index:name:number" for each used entry.
    std::vector<std::string> Book(BookId book) {
        std::vector<std::string> out;
        if (book == BookId::kPda) {
            std::lock_guard lock(context.tables);
            for (size_t k = 0; k < context.books.pda.entries.size(); ++k) {
                const PhonebookEntry& e = context.books.pda.entries[k];
                if (!FieldEmpty(e.number))
                    out.push_back(std::to_string(k + 1) + ":" + std::string(FieldText(e.name)) + ":" +
                                  std::string(FieldText(e.number)));
            }
            return out;
        }
        auto lock = h.card.Lock();
        const testing::CardBook& b = book == BookId::kSim ? h.card.sim_book : h.card.card_book;
        for (size_t k = 0; k < b.entries.size(); ++k)
            if (b.entries[k]) out.push_back(std::to_string(k + 1) + ":" + b.entries[k]->name + ":" + b.entries[k]->number);
        return out;
    }
    std::vector<std::string> CommandsSince(size_t n, const std::string& prefix = "") {
        const std::vector<std::string> all = h.card.Commands();
        std::vector<std::string> out;
        for (size_t i = n; i < all.size(); ++i)
            if (all[i].rfind(prefix, 0) == 0) out.push_back(all[i]);
        return out;
    }

    std::vector<std::string> boxes;
    std::deque<DialogStep> steps;
    QTimer reader;
    platform::Thread worker;
    std::optional<platform::ExternalWait> outside;
};

QStringList Column(QTreeWidget* list, int column) {
    QStringList cells;
    for (int i = 0; i < list->topLevelItemCount(); ++i) cells << list->topLevelItem(i)->text(column);
    return cells;
}

// A key in the contact list; the command it posts has run when this returns.
void KeyInList(ContactWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QApplication::setActiveWindow(&w);
    w.list()->setFocus();
    QTest::keyClick(w.list(), key, modifiers);
    QTest::qWait(10);
}

void SelectRow(ContactWindow& w, int row) {
    w.list()->clearSelection();
    w.list()->setCurrentItem(w.list()->topLevelItem(row));
}

void Ok(QDialog* d) { QTest::mouseClick(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton); }

void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Text with control characters only gets into an edit from the clipboard.
void PasteInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QApplication::clipboard()->setText(text);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

DialogStep FillEntry(QString name, QString number, std::string* title = nullptr) {
    return [=](QDialog* d) {
        if (title) *title = d->windowTitle().toStdString() + "|" + d->findChild<QLineEdit*>("name")->text().toStdString();
        Type(d->findChild<QLineEdit*>("name"), name);
        Type(d->findChild<QLineEdit*>("number"), number);
        Ok(d);
    };
}

DialogStep ChooseBook(BookId book, std::string* title = nullptr) {
    return [=](QDialog* d) {
        if (title) *title = d->windowTitle().toStdString();
        auto* books = d->findChild<QListWidget*>("books");
        QTest::mouseClick(books->viewport(), Qt::LeftButton, {},
                          books->visualItemRect(books->item(int(book))).center());
        Ok(d);
    };
}

TEST(ContactWindowTest, LoadingNoticeSortingCommandStatesAndKeys) {
    Manager m;
    m.h.card.sim_book.entries[0] = CardEntry{"+491", 145, "Zed"};
    m.h.card.sim_book.entries[2] = CardEntry{"+493", 145, "Amy"};
    m.h.card.sim_book.entries[3] = CardEntry{"+494", 145, ""};  // not listed
    ContactWindow& w = m.Open();
    EXPECT_EQ(w.windowTitle(), "Contact Directory");
    EXPECT_EQ(w.width(), 240);
    EXPECT_EQ(w.centralWidget()->height() + w.statusBar()->height(), 294);
    QStringList menu;
    for (QAction* top : w.menuBar()->actions())
        for (QAction* a : top->menu()->actions())
            menu << a->text() + (a->shortcut().isEmpty() ? "" : "\t" + a->shortcut().toString());
    EXPECT_EQ(menu.join("|"), "New...|Send Short Message...|Close|Edit...|Delete\tDel|Copy...\tCtrl+C|Move...\tCtrl+X");
    QStringList books;
    for (int i = 0; i < w.memory()->count(); ++i) books << w.memory()->itemText(i);
    EXPECT_EQ(books.join("|"), "SIM|Card|PDA");
    EXPECT_EQ(w.StatusLine(), "Loading phone book, please wait...");
    EXPECT_FALSE(w.action(kCmdNewContact)->isEnabled());

    m.Start();
    w.Tick();
    EXPECT_EQ(w.StatusLine(), "");
    EXPECT_TRUE(w.action(kCmdNewContact)->isEnabled());
    EXPECT_EQ(Column(w.list(), 0), (QStringList{"Amy", "Zed"}));
    w.list()->header()->sectionClicked(0);
    EXPECT_EQ(Column(w.list(), 0), (QStringList{"Zed", "Amy"}));
    w.list()->header()->sectionClicked(1);
    EXPECT_EQ(Column(w.list(), 1), (QStringList{"+491", "+493"}));

    // Edit, Delete, Copy, Move need a marked row; Ctrl+A marks them all.
    const auto states = [&] {
        std::string s;
        for (uint32_t c : {kCmdNewContact, kCmdEditContact, kCmdDeleteContact, kCmdCopyContact, kCmdMoveContact})
            s += w.action(c)->isEnabled() ? '1' : '0';
        return s;
    };
    w.list()->clearSelection();
    EXPECT_EQ(states(), "10000");
    KeyInList(w, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.list()->selectedItems().size(), 2);
    EXPECT_EQ(states(), "11111");

    // "Send Short Message..." opens the write window with the numbers top to bottom; the marks
    // go. With the write window open it only comes forward.
    w.action(kCmdSendToContact)->trigger();
    ASSERT_NE(m.qt.write_window(), nullptr);
    const auto recipients = [&] {
        QStringList numbers;
        for (int i = 0; i < m.qt.write_window()->recipient_list()->count(); ++i)
            numbers << m.qt.write_window()->recipient_list()->item(i)->text();
        return numbers;
    };
    EXPECT_EQ(recipients(), (QStringList{"+491", "+493"}));
    EXPECT_TRUE(w.list()->selectedItems().isEmpty());
    KeyInList(w, Qt::Key_A, Qt::ControlModifier);
    w.action(kCmdSendToContact)->trigger();
    EXPECT_EQ(recipients(), (QStringList{"+491", "+493"}));
    EXPECT_EQ(w.list()->selectedItems().size(), 2);
    m.qt.write_window()->close();

    // Cancel in "Edit Entry" (Enter on a row) changes nothing on the card.
    const size_t before = m.h.card.Commands().size();
    m.steps = {[](QDialog* d) { d->reject(); }};
    SelectRow(w, 0);
    KeyInList(w, Qt::Key_Return);
    EXPECT_TRUE(m.steps.empty());
    EXPECT_TRUE(m.CommandsSince(before, "AT+CPBW").empty());
    EXPECT_EQ(w.list()->selectedItems().size(), 1);  // nothing changed: the mark stays

    // "Contact Directory..." again brings the same window with its book.
    w.memory()->activated(2);
    EXPECT_EQ(&m.Open(), &w);
    EXPECT_EQ(w.memory()->currentText(), "PDA");

    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(m.help.Topics(), std::vector<std::string>{"qmx22.htp#MAIN"});
}

// New, edit, copy to the next book, move there, and delete there with Ctrl+A and Del.
TEST(ContactWindowTest, EveryOperationInEveryBookReachesTheBooks) {
    struct Case {
        BookId book, other;
        int name_width;
    };
    for (const Case& c : {Case{BookId::kSim, BookId::kCard, 14}, Case{BookId::kCard, BookId::kPda, 16},
                          Case{BookId::kPda, BookId::kSim, 16}}) {
        SCOPED_TRACE(std::string(BookName(c.book)));
        Manager m;
        m.Start();
        m.context.options.confirm_on_delete = 1;
        ContactWindow& w = m.Open();
        w.memory()->activated(int(c.book));

        int width = 0;
        m.steps = {[&](QDialog* d) {
            width = d->findChild<QLineEdit*>("name")->maxLength();
            FillEntry("Neu", "+4930111")(d);
        }};
        w.action(kCmdNewContact)->trigger();
        EXPECT_EQ(width, c.name_width);
        EXPECT_EQ(m.Book(c.book), std::vector<std::string>{"1:Neu:+4930111"});

        std::string edit_title;
        m.steps = {FillEntry("Neu Zwei", "+4930112", &edit_title)};
        SelectRow(w, 0);
        KeyInList(w, Qt::Key_Return);
        EXPECT_EQ(edit_title, "Edit Entry|Neu");
        EXPECT_EQ(m.Book(c.book), std::vector<std::string>{"1:Neu Zwei:+4930112"});

        std::string copy_title;
        m.steps = {ChooseBook(c.other, &copy_title)};
        SelectRow(w, 0);
        KeyInList(w, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(copy_title, "Copy to...");
        EXPECT_EQ(m.Book(c.book), std::vector<std::string>{"1:Neu Zwei:+4930112"});
        EXPECT_EQ(m.Book(c.other), std::vector<std::string>{"1:Neu Zwei:+4930112"});
        EXPECT_EQ(w.memory()->currentText().toStdString(), BookName(c.other));  // the target is shown

        std::string move_title;
        w.memory()->activated(int(c.book));
        m.steps = {ChooseBook(c.other, &move_title)};
        SelectRow(w, 0);
        KeyInList(w, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(move_title, "Move to...");
        EXPECT_TRUE(m.Book(c.book).empty());
        EXPECT_EQ(m.Book(c.other), (std::vector<std::string>{"1:Neu Zwei:+4930112", "2:Neu Zwei:+4930112"}));

        KeyInList(w, Qt::Key_A, Qt::ControlModifier);
        KeyInList(w, Qt::Key_Delete);
        EXPECT_EQ(m.boxes, std::vector<std::string>{"Do you want to delete?"});
        EXPECT_TRUE(m.Book(c.other).empty());
        EXPECT_EQ(w.list()->topLevelItemCount(), 0);
        EXPECT_TRUE(m.steps.empty());
    }
}

// Quotes, ';', CR, Ctrl-Z and 300 characters in the entry and paste dialogs: cut to the edit's
// width, the quotes and control characters dropped, one AT+CPBW per entry and no other line.
TEST(ContactWindowTest, TextThatCouldBreakTheCommandStaysInsideIt) {
    Manager m;
    m.Start();
    ContactWindow& w = m.Open();
    const size_t before = m.h.card.Commands().size();
    const QString bad_name = "Al\"i;\r\x1a" + QString(300, 'x');
    // The card refuses the ';' in a number; nothing is stored.
    m.steps = {[&](QDialog* d) {
        PasteInto(d->findChild<QLineEdit*>("name"), bad_name);
        PasteInto(d->findChild<QLineEdit*>("number"), "+49\"30\r\x1a;1");
        Ok(d);
    }};
    w.action(kCmdNewContact)->trigger();
    EXPECT_EQ(m.boxes, std::vector<std::string>{"Invalid phone number."});
    EXPECT_TRUE(m.Book(BookId::kSim).empty());
    m.steps = {[&](QDialog* d) {
        PasteInto(d->findChild<QLineEdit*>("name"), bad_name);
        Type(d->findChild<QLineEdit*>("number"), "+49301" + QString(300, '5'));
        Ok(d);
    }};
    w.action(kCmdNewContact)->trigger();

    // "Paste contact" for a handheld entry whose name is too wide for the SIM.
    {
        std::lock_guard lock(m.context.tables);
        SetField(m.context.books.pda.entries[0].number, "+4917012345");
        SetField(m.context.books.pda.entries[0].name, "Sixteen letters!");
        SetField(m.context.books.pda.entries[0].number_type, "145");
    }
    w.memory()->activated(int(BookId::kPda));
    std::string offered;
    m.steps = {ChooseBook(BookId::kSim), [&](QDialog* d) {
                   for (const char* name : {"notice", "fullName", "fullNumber"})
                       offered += d->findChild<QLabel*>(name)->text().toStdString() + "|";
                   offered += d->findChild<QLineEdit*>("newName")->text().toStdString();
                   PasteInto(d->findChild<QLineEdit*>("newName"), "Ab\"c\r;" + QString(300, 'y'));
                   Ok(d);
               }};
    SelectRow(w, 0);
    KeyInList(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(offered,
              "Due to SIM/Card memory limitation, contact name and number will be truncated.|Sixteen letters!|"
              "+4917012345|Sixteen letter");

    EXPECT_EQ(m.CommandsSince(before, "AT+CPBW"),
              (std::vector<std::string>{"AT+CPBW=1,\"+4930;1\",145,\"Ali;xxxxxxx\"",
                                        "AT+CPBW=1,\"+4930155555555555555\",145,\"Ali;xxxxxxx\"",
                                        "AT+CPBW=2,\"+4917012345\",145,\"Abc;yyyyyyyy\""}));
    for (const std::string& line : m.CommandsSince(before)) EXPECT_EQ(line.rfind("AT", 0), 0u) << line;
    EXPECT_EQ(m.Book(BookId::kSim),
              (std::vector<std::string>{"1:Ali;xxxxxxx:+4930155555555555555", "2:Abc;yyyyyyyy:+4917012345"}));
}

}  // namespace
}  // namespace qmx2::manager::ui

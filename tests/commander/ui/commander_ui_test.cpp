// The commander's desktop face offscreen: the real dialogs, popup and message boxes worked with
// QTest clicks and keys as a person would, against the emulated card on the virtual clock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

#include "commander/card_driver.h"
#include "commander/commander_window.h"
#include "commander/ui/qt_commander_ui.h"
#include "commander/ui/tray_popup.h"
#include "hardware/card/card_port.h"
#include "platform/devices.h"
#include "platform/qt/placement.h"
#include "platform/qt/wait_cursor.h"
#include "tests/commander/commander_doubles.h"

namespace qmx2::commander {
namespace {

using hardware::card::CardScenario;
using hardware::card::DefaultScenario;
using hardware::card::LockKind;

QApplication& App() {
    static int argc = 1;
    static char name[] = "commander_ui_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// What the person does with the next window that opens (dialog, message box or popup), in order.
class Person {
public:
    using Act = std::function<void(QWidget*)>;
    Person() {
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start();
    }
    void Then(Act act) { acts_.push_back({false, std::move(act)}); }
    // Acts on the window already handled, once it waits again (the network dialog between its
    // commands).
    void Again(Act act) { acts_.push_back({true, std::move(act)}); }
    bool Done() const { return acts_.empty(); }

private:
    void Look() {
        QWidget* w = QApplication::activePopupWidget();
        if (!w) w = QApplication::activeModalWidget();
        if (acts_.empty()) {
            // A window nobody expected: fail and close it rather than wait for ever.
            if (!w || !w->isVisible() || w->property("qmx2Handled").toBool()) return;
            auto* box = qobject_cast<QMessageBox*>(w);
            ADD_FAILURE() << "unexpected window \"" << w->windowTitle().toStdString() << "\" "
                          << (box ? box->text().toStdString() : "");
            w->setProperty("qmx2Handled", true);
            if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
            else w->close();
            return;
        }
        if (!w || !w->isVisible() || (w->property("qmx2Handled").toBool() && !acts_.front().first))
            return;
        w->setProperty("qmx2Handled", true);
        Act act = std::move(acts_.front().second);
        acts_.pop_front();
        act(w);
    }
    QTimer timer_;
    std::deque<std::pair<bool, Act>> acts_;
};

template <typename T = QWidget>
T* Part(QWidget* w, const char* name) {
    T* part = w->findChild<T*>(name);
    EXPECT_NE(part, nullptr) << name;
    return part;
}

void Click(QWidget* w, const char* name) { QTest::mouseClick(Part<QPushButton>(w, name), Qt::LeftButton); }

// Types into the edit box and presses OK.
Person::Act Type(const char* edit, QString text, std::string* caption = nullptr) {
    return [=](QWidget* w) {
        if (caption) *caption = w->windowTitle().toStdString();
        QTest::keyClicks(Part<QLineEdit>(w, edit), text);
        Click(w, "ok");
    };
}

// A message box: its caption and text go to *seen, then Cancel where it is the first button, else OK.
Person::Act Note(std::vector<std::string>* seen) {
    return [seen](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        seen->push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
        const bool cancel_first = box->buttons().front() == box->button(QMessageBox::Cancel);
        box->button(cancel_first ? QMessageBox::Cancel : QMessageBox::Ok)->click();
    };
}

class CommanderUiTest : public ::testing::Test {
protected:
    ~CommanderUiTest() override {
        if (commander) commander->Exit();
        devices.Unregister(u"COM5:");
    }

    void Insert(CardScenario scenario) {
        port = std::make_unique<hardware::card::CardPort>(*clock, std::move(scenario));
        devices.Register(u"COM5:", port.get());
        driver = std::make_unique<CardDriver>(devices, u"COM5:");
        channel = std::make_unique<TransactionChannel>(devices, *clock, u"COM5:");
        registry.SetText(u"Drivers\\Active\\01", u"PnpId", u"Orvan_Mobile_Phones-Orvan_Pellion");
        registry.SetText(u"Drivers\\Active\\01", u"Name", u"COM5:");
        commander = std::make_unique<Commander>(CommanderParts{
            *clock, registry, ui, *channel, *driver, *driver, host, host, "\\Windows", "\\Windows\\Qmx2Com",
            [](platform::Thread&, std::function<void()>) { return true; }});  // menu state by hand
        ui.Attach(&commander->menu(), [this](uint32_t c) { commander->HandleCommand(c); }, {});
    }
    // Runs `step` with the person acting; fails when the person had more to do.
    void Run(const std::function<void()>& step) {
        step();
        EXPECT_TRUE(person.Done());
    }
    // The card's operator selection mode, as it answers "AT+COPS?".
    std::string OperatorMode() {
        const std::string reply = channel->Send("AT+COPS?", "\r\nOK\r\n", 10);
        const size_t at = reply.find("+COPS: ");
        return at == std::string::npos ? reply : reply.substr(at, 8);
    }
    hardware::card::Lock SimLock(LockKind kind) {
        return port->WithPhone([kind](hardware::card::Phone& p) { return p.sim().locks[static_cast<int>(kind)]; });
    }
    static hardware::card::Lock& LockOf(CardScenario& s, LockKind kind) {
        return s.sim.locks[static_cast<int>(kind)];
    }

    QApplication& app = App();  // before any widget
    std::unique_ptr<platform::VirtualClock> clock = platform::MakeVirtualClock();
    platform::Devices devices;
    std::unique_ptr<hardware::card::CardPort> port;
    std::unique_ptr<CardDriver> driver;
    std::unique_ptr<TransactionChannel> channel;
    testing::TestRegistry registry;
    testing::EventLog events;
    testing::FakeHost host{events};
    ui::QtCommanderUi ui;
    std::unique_ptr<Commander> commander;
    Person person;
    std::vector<std::string> seen;  // message boxes
};

TEST_F(CommanderUiTest, APinTypedIntoTheCodeDialogUnlocksTheCard) {
    CardScenario s = DefaultScenario();
    LockOf(s, LockKind::kSim).enabled = true;
    Insert(s);
    std::string caption;
    person.Then([&](QWidget* w) {
        EXPECT_EQ(Part<QLabel>(w, "prompt")->text(), "Please enter SIM PIN:");
        EXPECT_EQ(Part<QPushButton>(w, "ok")->text(), "OK");
        EXPECT_EQ(Part<QPushButton>(w, "cancel")->text(), "Cancel");
        QLineEdit* code = Part<QLineEdit>(w, "code");
        EXPECT_EQ(code->echoMode(), QLineEdit::Password);
        EXPECT_EQ(code->maxLength(), 8);
        // Centred over the hidden main window's place: the screen.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(w->pos(), platform::qt::CentredOver(screen, w->size()));
        Type("code", "1234", &caption)(w);
    });
    Run([&] { EXPECT_TRUE(commander->Start()); });
    EXPECT_EQ(caption, "Enter SIM PIN");
    EXPECT_TRUE(SimLock(LockKind::kSim).verified);
    EXPECT_TRUE(commander->icons().card_powered);
    EXPECT_FALSE(platform::qt::WaitCursorShown());
    EXPECT_FALSE(ui.main_window()->menuBar()->isVisible());
}

TEST_F(CommanderUiTest, CancellingThePukDialogEndsTheStartWithoutAMessage) {
    CardScenario s = DefaultScenario();
    LockOf(s, LockKind::kSim).enabled = true;
    LockOf(s, LockKind::kSim).pin.attempts_left = 0;
    Insert(s);
    person.Then([&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Enter PUK code");
        EXPECT_EQ(Part<QLabel>(w, "pukLabel")->text(), "Please enter PUK code:");
        EXPECT_EQ(Part<QLabel>(w, "newLabel")->text(), "Please enter new SIM PIN:");
        EXPECT_EQ(Part<QLabel>(w, "againLabel")->text(), "Please re-enter SIM PIN:");
        for (const char* edit : {"puk", "newPin", "againPin"}) {
            EXPECT_EQ(Part<QLineEdit>(w, edit)->maxLength(), 8) << edit;
            EXPECT_EQ(Part<QLineEdit>(w, edit)->echoMode(), QLineEdit::Password) << edit;
        }
        Click(w, "cancel");
    });
    Run([&] { EXPECT_FALSE(commander->Start()); });
    EXPECT_EQ(events, testing::EventLog{"end commander"});
    EXPECT_FALSE(SimLock(LockKind::kSim).verified);
}

// Every kind's caption, prompt and limit; codes that could end the command are refused before
// they reach the card, which keeps all its attempts.
TEST_F(CommanderUiTest, CodeKindsAndBadInput) {
    CardScenario s = DefaultScenario();
    LockOf(s, LockKind::kSim).enabled = true;
    Insert(s);
    struct Kind {
        CodeKind kind;
        const char* caption;
        const char* prompt;
        int limit;
    };
    const Kind kinds[] = {
        {CodeKind::kSimPin, "Enter SIM PIN", "Please enter SIM PIN:", 8},
        {CodeKind::kSecurityCode, "Enter security code", "Please enter security code:", 6},
        {CodeKind::kPhFsimPin, "Enter PH-FSIM PIN", "Please enter PH-FSIM PIN:", 32767},
        {CodeKind::kPhFsimPuk, "Enter PH-FSIM PUK", "Please enter PH-FSIM PUK:", 32767},
        {CodeKind::kSimPin2, "Enter SIM PIN2", "Please enter SIM PIN2:", 32767},
        {CodeKind::kPhNetPin, "Enter PH-NET PIN", "Please enter PH-NET PIN:", 32767},
        {CodeKind::kPhNetPuk, "Enter PH-NET PUK", "Please enter PH-NET PUK:", 32767},
    };
    for (const Kind& k : kinds) {
        person.Then([&](QWidget* w) {
            EXPECT_EQ(w->windowTitle().toStdString(), k.caption);
            EXPECT_EQ(Part<QLabel>(w, "prompt")->text().toStdString(), k.prompt);
            EXPECT_EQ(Part<QLineEdit>(w, "code")->maxLength(), k.limit);
            QTest::keyClicks(Part<QLineEdit>(w, "code"), "12345678901");
            Click(w, "ok");
        });
        platform::WideString typed;
        Run([&] { EXPECT_TRUE(ui.RunCodeDialog(CodeDialogTextFor(k.kind), &typed)); });
        EXPECT_EQ(typed.size(), static_cast<size_t>(std::min(k.limit, 11))) << k.caption;
    }

    const QString bad[] = {"12\"4", "12;4", "12\r4", QString("12") + QChar(26) + "4", "12\u00e94"};
    for (const QString& code : bad) {
        person.Then([&](QWidget* w) {
            QLineEdit* edit = Part<QLineEdit>(w, "code");
            edit->setText(code);  // pasted: control characters cannot be typed
            Click(w, "ok");
        });
        person.Then(Note(&seen));
    }
    person.Then(Type("code", "1234"));
    Run([&] { EXPECT_TRUE(commander->Start()); });
    EXPECT_EQ(seen, std::vector<std::string>(5, "QMX2 commander: Code validation failed."));
    EXPECT_EQ(SimLock(LockKind::kSim).pin.attempts_left, 3);
    EXPECT_TRUE(SimLock(LockKind::kSim).verified);
}

TEST_F(CommanderUiTest, PickingAnOperatorInSelectNetwork) {
    Insert(DefaultScenario());
    ASSERT_TRUE(commander->Start());
    std::string other;
    person.Then([&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Select Network");
        EXPECT_EQ(Part<QPushButton>(w, "select")->text(), "Select");
        EXPECT_EQ(Part<QPushButton>(w, "cancel")->text(), "Cancel");
        EXPECT_EQ(Part<QPushButton>(w, "search")->text(), "Search Network");
        EXPECT_FALSE(Part<QPushButton>(w, "select")->isEnabled());
        Click(w, "search");
    });
    person.Again([&](QWidget* w) {
        auto* list = Part<QListWidget>(w, "operators");
        ASSERT_GE(list->count(), 2);
        EXPECT_EQ(list->currentRow(), 0);
        EXPECT_TRUE(Part<QPushButton>(w, "select")->isEnabled());
        QListWidgetItem* item = list->item(1);
        other = std::to_string(item->data(Qt::UserRole).toInt());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    });
    person.Again([&](QWidget* w) { Click(w, "select"); });
    Run([&] { commander->HandleCommand(kCmdManual); });
    EXPECT_EQ(OperatorMode(), "+COPS: 1");
    EXPECT_EQ(port->WithPhone([](hardware::card::Phone& p) { return p.scenario().network.current; }), other);
    EXPECT_TRUE(commander->menu().IsChecked(kCmdManual));
}

TEST_F(CommanderUiTest, ChangeCodeDialogChangesThePin) {
    CardScenario s = DefaultScenario();
    LockOf(s, LockKind::kSim).enabled = true;
    Insert(s);
    person.Then(Type("code", "1234"));
    Run([&] { ASSERT_TRUE(commander->Start()); });
    auto fill = [](const char* old_code, const char* new_code, const char* again) {
        return [=](QWidget* w) {
            QTest::keyClicks(Part<QLineEdit>(w, "oldCode"), old_code);
            QTest::keyClicks(Part<QLineEdit>(w, "newCode"), new_code);
            QTest::keyClicks(Part<QLineEdit>(w, "againCode"), again);
            Click(w, "ok");
        };
    };
    person.Then([&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Change Pin code");
        EXPECT_EQ(Part<QLabel>(w, "choiceLabel")->text(), "Change:");
        EXPECT_EQ(Part<QLabel>(w, "oldLabel")->text(), "Old PIN:");
        EXPECT_EQ(Part<QLabel>(w, "newLabel")->text(), "New PIN:");
        EXPECT_EQ(Part<QLabel>(w, "againLabel")->text(), "Re-enter new PIN:");
        auto* choice = Part<QComboBox>(w, "choice");
        ASSERT_EQ(choice->count(), 3);
        EXPECT_EQ(choice->itemText(0), "PIN code");
        EXPECT_EQ(choice->itemText(1), "PIN2 code");
        EXPECT_EQ(choice->itemText(2), "Security code");
        EXPECT_EQ(choice->currentIndex(), 0);
        for (const char* edit : {"oldCode", "newCode", "againCode"})
            EXPECT_EQ(Part<QLineEdit>(w, edit)->maxLength(), 8) << edit;
        fill("1234", "5678", "5679")(w);
    });
    person.Then(Note(&seen));
    person.Then([&](QWidget* w) {
        EXPECT_EQ(Part<QLineEdit>(w, "oldCode")->text(), "1234");  // kept as typed
        for (const char* edit : {"oldCode", "newCode", "againCode"}) Part<QLineEdit>(w, edit)->clear();
        fill("1234", "5678", "5678")(w);
    });
    Run([&] { commander->HandleCommand(kCmdChangePin); });
    EXPECT_EQ(seen, std::vector<std::string>{"QMX2 commander: PIN not matched."});
    EXPECT_EQ(SimLock(LockKind::kSim).pin.code, "5678");
}

// Every entry of the popup, chosen with the mouse-free keyboard of a person: the card's state
// or the commander's settings change as the entry says.
TEST_F(CommanderUiTest, EveryTrayMenuEntryFromThePopup) {
    Insert(DefaultScenario());
    ASSERT_TRUE(commander->Start());
    commander->UpdateMenuState();
    auto choose = [&](uint32_t command) {
        return [command](QWidget* w) {
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            const QPoint corner = ui::TrayPopupCorner(screen);
            EXPECT_EQ(w->geometry().bottomRight() + QPoint(1, 1), corner);
            EXPECT_EQ(corner, QPoint(screen.right() + 1, screen.bottom() + 1 - 25));
            for (QAction* a : w->findChildren<QAction*>())
                if (a->data().toUInt() == command) {
                    EXPECT_TRUE(a->isEnabled()) << command;
                    return a->trigger();
                }
            ADD_FAILURE() << "no entry " << command;
            w->close();
        };
    };
    auto click_tray = [&] { commander->HandleMessage(kMsgTrayIcon, kCardIcon, kLeftButtonDown); };
    auto pick = [&](uint32_t command, std::vector<Person::Act> then = {}, std::vector<Person::Act> again = {}) {
        person.Then(choose(command));
        for (auto& a : then) person.Then(std::move(a));
        for (auto& a : again) person.Again(std::move(a));
        Run(click_tray);
    };
    auto lock = [&](LockKind k) { return SimLock(k).enabled; };

    pick(kCmdPinRequest, {Type("code", "1234")});
    EXPECT_TRUE(lock(LockKind::kSim));
    EXPECT_TRUE(commander->menu().IsChecked(kCmdPinRequest));
    pick(kCmdPhoneLock, {Type("code", "0000")});
    EXPECT_TRUE(lock(LockKind::kPhoneSim));
    pick(kCmdNoLock, {Type("code", "0000")});
    EXPECT_FALSE(lock(LockKind::kPhoneSim));
    pick(kCmdChangePin, {[&](QWidget* w) { Click(w, "cancel"); }});
    pick(kCmdManual, {[&](QWidget* w) { Click(w, "search"); }}, {[&](QWidget* w) { Click(w, "select"); }});
    EXPECT_EQ(OperatorMode(), "+COPS: 1");
    pick(kCmdAutomatic);
    EXPECT_EQ(OperatorMode(), "+COPS: 0");
    EXPECT_TRUE(commander->menu().IsChecked(kCmdAutomatic));
    for (uint32_t speed : {40019u, 40025u, 40031u}) {
        pick(speed);
        EXPECT_EQ(commander->selected_speed(), static_cast<int>(speed - kCmdFirstSpeed));
    }
    EXPECT_EQ(registry.Text(u"Software\\Orvan\\QMX2", u"ATModemCmd"),
              std::u16string(u"AT+CBST=51,0,1;+CHSN=6,0,0,0") + u'\0');
    bool help_button = false;
    pick(kCmdAbout, {[&](QWidget* w) {
             EXPECT_EQ(Part<QPushButton>(w, "help")->text(), "Help");
             help_button = true;
             Click(w, "help");
         }});
    EXPECT_TRUE(help_button);
    pick(kCmdOpenMonitor);
    host.manager_running = true;
    commander->UpdateMenuState();
    pick(kCmdCloseMonitor);
    pick(kCmdAutoPowerUp);
    EXPECT_TRUE(commander->menu().IsChecked(kCmdAutoPowerUp));
    pick(kCmdPowerUp);
    EXPECT_FALSE(port->powered());
    EXPECT_FALSE(commander->icons().card_powered);
    pick(kCmdExit);
    for (const char* event : {"start peghelp.exe qmx2.htc", "start \\Windows\\Qmx2PPC.exe",
                              "close manager", "end commander"})
        EXPECT_NE(std::find(events.begin(), events.end(), event), events.end()) << event;
}

TEST(PlacementTest, CentredOverItsParentWithTheNegativeEdgeRule) {
    using platform::qt::CentredOver;
    EXPECT_EQ(CentredOver(QRect(0, 0, 240, 320), QSize(200, 100)), QPoint(20, 110));
    EXPECT_EQ(CentredOver(QRect(100, 50, 240, 320), QSize(200, 100)), QPoint(120, 160));
    EXPECT_EQ(CentredOver(QRect(0, 0, 240, 100), QSize(300, 200)), QPoint(0, 26));
    EXPECT_EQ(ui::TrayPopupCorner(QRect(0, 0, 240, 320)), QPoint(240, 295));
}

}  // namespace
}  // namespace qmx2::commander

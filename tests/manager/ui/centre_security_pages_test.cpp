// The "Messages" and "Security" pages and their dialogs offscreen on the emulated card: what
// each choice sends, the failure texts, hostile text in every edit, and every help topic.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

#include "manager/core/command_ids.h"
#include "manager/settings/centre_profiles.h"
#include "manager/ui/message_window.h"
#include "manager/ui/settings_sheet.h"
#include "manager/ui/settings/centre_dialogs.h"
#include "manager/ui/settings/messages_page.h"
#include "manager/ui/settings/security_dialogs.h"
#include "manager/ui/settings/security_page.h"
#include "platform/help_viewer.h"
#include "tests/manager/messages/card_rig.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

using hardware::card::LockKind;
using testing::CardRig;

const std::string kCap = "Orvan Pellion 2.0|";

struct Rig : CardRig {
    explicit Rig(hardware::card::CardScenario s = hardware::card::DefaultScenario()) : CardRig(std::move(s)) {
        testing::OffscreenApp();
    }
    void AddProfile(int i, const char* name, const char* number, int validity) {
        MessageCentreProfile& p = ctx().profiles[i];
        SetField(p.name, name);
        SetField(p.centre_number, number);
        p.validity_code = ValidityCode(validity);
        p.sending_format = 1;
    }
    // What the test thread does while a window talks to the card: it serves Qt's loop outside
    // the virtual clock, so that the card command's pause can wait out its time.
    template <typename F>
    void Card(F&& f) {
        platform::ExternalWait serving(*h.clock);
        f();
    }
    std::string Centre() {
        return port.WithPhone([](hardware::card::Phone& p) { return p.sim().centre; });
    }
    bool LockOn(LockKind kind) {
        return port.WithPhone([&](hardware::card::Phone& p) { return p.sim().locks[int(kind)].enabled; });
    }
    std::string Code(LockKind kind) {
        return port.WithPhone([&](hardware::card::Phone& p) { return p.sim().locks[int(kind)].pin.code; });
    }
    platform::HelpRequestLog help;
};

void ClickOk(QWidget* dialog) {
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

// Runs `fill` on the next modal dialog; it closes the dialog itself.
void OnNextDialog(std::function<void(QWidget*)> fill) {
    QTimer::singleShot(5, [fill = std::move(fill)] {
        if (QWidget* d = QApplication::activeModalWidget()) fill(d);
    });
}

void Retype(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
}

// Pasted, as a person might bring in text the keyboard cannot type.
void Paste(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QApplication::clipboard()->setText(text);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

// "1 hour" and "Maximum time" through "SMS Setting": the typed number and the validity go to the
// card, and the profile becomes the current one.
TEST(CentreDialogsUi, SmsSettingSetsCentreAndValidityOnTheCard) {
    const struct {
        int validity;
        const char* csmp;
    } kCases[] = {{0, "AT+CSMP=17,11,0,0"}, {5, "AT+CSMP=17,255,0,0"}, {3, "AT+CSMP=17,169,0,0"}};
    for (const auto& c : kCases) {
        Rig rig;
        rig.AddProfile(0, "Home", "+3581", 2);
        rig.AddProfile(1, "Work", "+49301", 2);
        SmsSettingBox box(rig.ctx(), rig.help);
        EXPECT_EQ(box.findChild<QLineEdit*>("centreNumber")->text(), "+3581");
        box.findChild<QComboBox*>("name")->setCurrentIndex(1);
        auto* number = box.findChild<QLineEdit*>("centreNumber");
        EXPECT_EQ(number->text(), "+49301");
        Retype(number, "+49302");
        box.findChild<QComboBox*>("validity")->setCurrentIndex(c.validity);
        rig.Card([&] { ClickOk(&box); });
        EXPECT_EQ(box.result(), QDialog::Accepted);
        EXPECT_EQ(rig.recorder.Lines(), (std::vector<std::string>{"AT+CSCA=\"+49302\"", c.csmp, "AT+CSAS=1"}));
        EXPECT_EQ(rig.Centre(), "+49302");
        EXPECT_EQ(FieldText(rig.ctx().profiles[0].name), "Work");
        EXPECT_FALSE(rig.ctx().default_centre);
    }
}

TEST(CentreDialogsUi, OptionsChoosesAProfileOrTheSimDefault) {
    Rig rig;
    rig.ctx().default_centre = false;
    for (int i = 0; i < 3; ++i)
        rig.AddProfile(i, ("P" + std::to_string(i)).c_str(), ("+" + std::to_string(i + 1)).c_str(), 2 + i);
    {
        OptionsBox box(rig.ctx(), rig.help);
        QComboBox* groups = box.groups();
        ASSERT_EQ(groups->count(), 4);
        EXPECT_EQ(groups->itemText(0), "Default");
        EXPECT_EQ(groups->currentIndex(), 1);
        groups->setCurrentIndex(3);
        EXPECT_EQ(box.findChild<QLineEdit*>("centreNumber")->text(), "+3");
        EXPECT_EQ(box.findChild<QLineEdit*>("validity")->text(), "1 week");
        EXPECT_EQ(box.findChild<QLineEdit*>("sentAs")->text(), "Text");
        rig.Card([&] { ClickOk(&box); });
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
    EXPECT_EQ(FieldText(rig.ctx().profiles[0].name), "P2");
    EXPECT_EQ(FieldText(rig.ctx().profiles[2].name), "P0");
    {
        OptionsBox box(rig.ctx(), rig.help);
        box.groups()->setCurrentIndex(0);
        EXPECT_EQ(box.findChild<QLineEdit*>("centreNumber")->text(), "");
        rig.Card([&] { ClickOk(&box); });
    }
    EXPECT_TRUE(rig.ctx().default_centre);
    EXPECT_EQ(rig.recorder.Lines(),
              (std::vector<std::string>{"AT+CSCA=\"+3\"", "AT+CSMP=17,173,0,0", "AT+CSAS=1", "AT+CSCA=\"\""}));
}

// "SMS Settings..." in the message window: without a profile only the notice; with one the
// dialog.
TEST(CentreDialogsUi, MessageWindowOpensSmsSettingAfterTheProfileCheck) {
    Rig rig;
    MessageWindow window(rig.ctx(), rig.help);
    window.Command(kCmdSmsSettings);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "No user defined SMS center profile, use SIM default."});
    rig.AddProfile(0, "Home", "+3581", 2);
    QString title;
    OnNextDialog([&](QWidget* d) {
        title = d->windowTitle();
        static_cast<QDialog*>(d)->reject();
    });
    window.Command(kCmdSmsSettings);
    EXPECT_EQ(title, "SMS Setting");
    EXPECT_EQ(rig.Shown().size(), 1u);
    EXPECT_TRUE(rig.recorder.Lines().empty());
}

// Quotes, ';', CR, Ctrl-Z and 300 characters in every edit of the centre dialogs: control
// characters are refused, the length is cut to 19, and the card sees one AT+CSCA holding only
// dialable characters.
TEST(CentreDialogsUi, HostileTextInEveryEditIsRefusedOrCut) {
    const struct {
        QString text;
        bool typed;
        const char* field;
        const char* csca;
    } kCases[] = {
        {"+49\";AT+CPWD=\"SC\"", true, "+49\";AT+CPWD=\"SC\"", "AT+CSCA=\"+49\""},
        {"+4930;ATD112;", true, "+4930;ATD112;", "AT+CSCA=\"+4930112\""},
        {"+49\r\nAT+CPWD", false, "+1", "AT+CSCA=\"+1\""},
        {"+49\x1A" "AT", false, "+1", "AT+CSCA=\"+1\""},
        {QString(300, '7'), false, "7777777777777777777", "AT+CSCA=\"7777777777777777777\""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text.left(20).toStdString());
        Rig rig;
        rig.AddProfile(0, "Home", "+1", 2);
        // "Edit Setting Group": both edits.
        MessageCentreProfile p = rig.ctx().profiles[0];
        {
            EditSettingGroupBox edit(rig.ctx(), rig.help, p);
            for (const char* name : {"name", "centreNumber"}) {
                auto* field = edit.findChild<QLineEdit*>(name);
                if (c.typed) Retype(field, c.text);
                else Paste(field, c.text);
            }
            const char* expected_name = std::string_view(c.field) == "+1" ? "Home" : c.field;
            EXPECT_EQ(edit.findChild<QLineEdit*>("name")->text().toStdString(), expected_name);
            EXPECT_EQ(edit.findChild<QLineEdit*>("centreNumber")->text().toStdString(), c.field);
            ClickOk(&edit);
            EXPECT_EQ(edit.result(), QDialog::Accepted);
        }
        EXPECT_EQ(FieldText(p.centre_number), c.field);
        // "SMS Setting": the number edit, then OK to the card.
        SmsSettingBox box(rig.ctx(), rig.help);
        auto* number = box.findChild<QLineEdit*>("centreNumber");
        if (c.typed) Retype(number, c.text);
        else Paste(number, c.text);
        EXPECT_EQ(number->text().toStdString(), c.field);
        rig.Card([&] { ClickOk(&box); });
        const std::vector<std::string> lines = rig.recorder.Lines();
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], c.csca);
        EXPECT_EQ(rig.recorder.Count("AT+CSCA"), 1u);
        EXPECT_EQ(rig.recorder.Count("AT+CPWD") + rig.recorder.Count("ATD"), 0u);
        EXPECT_TRUE(rig.Shown().empty());
    }
}

TEST(MessagesPageUi, NewEditDeleteAndTheCardWhenThePageCloses) {
    Rig rig;
    auto page = std::make_unique<MessagesPageWidget>(rig.ctx(), rig.help);
    QTreeWidget* list = page->list();
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_TRUE(page->use_sim_default()->isChecked());
    EXPECT_FALSE(page->use_sim_default()->isEnabled());
    EXPECT_FALSE(page->button(1)->isEnabled());

    // "New..." with an empty number stays open with the notice; then a real profile.
    OnNextDialog([&](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Edit Setting Group");
        EXPECT_EQ(d->findChild<QComboBox*>("validity")->currentText(), "24 hours");
        Retype(d->findChild<QLineEdit*>("name"), "Work");
        ClickOk(d);
        EXPECT_TRUE(d->isVisible());
        Retype(d->findChild<QLineEdit*>("centreNumber"), "+49301");
        d->findChild<QComboBox*>("validity")->setCurrentIndex(3);
        ClickOk(d);
    });
    QTest::mouseClick(page->button(0), Qt::LeftButton);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Message centre number must be existed."});
    ASSERT_EQ(list->topLevelItemCount(), 1);
    QStringList row;
    for (int i = 0; i < 4; ++i) row << list->topLevelItem(0)->text(i);
    EXPECT_EQ(row.join("|"), "Work|+49301|72 hours|Text");
    EXPECT_TRUE(page->use_sim_default()->isEnabled());
    EXPECT_EQ(rig.ctx().profiles[0].validity_code, 71);

    // Cancel in "Edit" keeps the profile.
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_TRUE(page->button(1)->isEnabled());
    OnNextDialog([](QWidget* d) { static_cast<QDialog*>(d)->reject(); });
    QTest::mouseClick(page->button(1), Qt::LeftButton);
    EXPECT_EQ(FieldText(rig.ctx().profiles[0].centre_number), "+49301");

    page->use_sim_default()->setChecked(false);
    rig.Card([&] { page.reset(); });
    EXPECT_EQ(rig.recorder.Lines(), (std::vector<std::string>{"AT+CSCA=\"+49301\"", "AT+CSMP=17,169,0,0"}));
    EXPECT_EQ(rig.h.registry.Text(u"Software\\Orvan\\QMX2", u"useDefSMSCenter"), "Off");

    // Deleting the last profile ticks and disables "Use SIM default"; closing sends AT+CSCA="".
    rig.recorder.Clear();
    page = std::make_unique<MessagesPageWidget>(rig.ctx(), rig.help);
    EXPECT_FALSE(page->use_sim_default()->isChecked());
    page->list()->setCurrentItem(page->list()->topLevelItem(0));
    QTest::mouseClick(page->button(2), Qt::LeftButton);
    EXPECT_EQ(page->list()->topLevelItemCount(), 0);
    EXPECT_TRUE(page->use_sim_default()->isChecked());
    EXPECT_FALSE(page->use_sim_default()->isEnabled());
    rig.Card([&] { page.reset(); });
    EXPECT_EQ(rig.recorder.Lines(), std::vector<std::string>{"AT+CSCA=\"\""});
    EXPECT_EQ(rig.h.registry.Text(u"Software\\Orvan\\QMX2", u"useDefSMSCenter"), "On");
}

// In the sheet the page sets the card once, as the sheet closes, by Cancel as by OK.
TEST(MessagesPageUi, TheSheetClosedWithCancelSetsTheCentreOnce) {
    Rig rig;
    rig.ctx().default_centre = false;
    rig.AddProfile(0, "Home", "+3581", 0);
    rig.Card([&] {
        std::unique_ptr<QDialog> sheet(MakeSettingsSheet(nullptr, {rig.ctx(), rig.help}));
        sheet->show();
        sheet->reject();
        EXPECT_EQ(rig.recorder.Lines(), (std::vector<std::string>{"AT+CSCA=\"+3581\"", "AT+CSMP=17,11,0,0"}));
        sheet.reset();
    });
    EXPECT_EQ(rig.recorder.Count("AT+CSCA"), 1u);
    EXPECT_EQ(rig.h.registry.Text(u"Software\\Orvan\\QMX2", u"useDefSMSCenter"), "Off");
}

TEST(MessagesPageUi, SelectMakesTheMarkedRowCurrent) {
    Rig rig;
    rig.ctx().default_centre = false;
    rig.AddProfile(0, "A", "+1", 2);
    rig.AddProfile(1, "B", "+2", 2);
    rig.ctx().default_centre = true;
    auto page = std::make_unique<MessagesPageWidget>(rig.ctx(), rig.help);
    EXPECT_FALSE(page->button(3)->isEnabled());
    page->list()->setCurrentItem(page->list()->topLevelItem(1));
    QTest::mouseClick(page->button(3), Qt::LeftButton);
    EXPECT_EQ(page->list()->topLevelItem(0)->text(0), "B");
    EXPECT_FALSE(page->use_sim_default()->isChecked());
    EXPECT_EQ(FieldText(rig.ctx().profiles[0].name), "B");
    rig.Card([&] { page.reset(); });
    EXPECT_EQ(rig.recorder.Lines(), (std::vector<std::string>{"AT+CSCA=\"+2\"", "AT+CSMP=17,167,0,0"}));
}

// The PIN request switched with a wrong code says so and keeps "Off"; the right one switches it.
TEST(SecurityPageUi, PinRequestWithWrongThenRightCode) {
    Rig rig;
    SecurityPageWidget page(rig.ctx(), rig.help);
    rig.Card([&] { page.ReadStates(); });
    EXPECT_EQ(page.level()->text(), "None");
    EXPECT_EQ(page.pin_request()->text(), "Off");
    for (const char* code : {"9999", "1234"}) {
        OnNextDialog([&](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), "PIN Code Request");
            auto* status = d->findChild<QComboBox*>("status");
            EXPECT_EQ(status->currentText(), "Off");
            status->setCurrentIndex(1);
            QTest::keyClicks(d->findChild<QLineEdit*>("password"), code);
            ClickOk(d);
        });
        rig.Card([&] { QTest::mouseClick(page.button(1), Qt::LeftButton); });
        if (std::string_view(code) == "9999") {
            EXPECT_EQ(page.pin_request()->text(), "Off");
        }
    }
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Cannot change PIN status!"});
    EXPECT_EQ(page.pin_request()->text(), "On");
    EXPECT_TRUE(rig.LockOn(LockKind::kSim));
    EXPECT_EQ(rig.recorder.Count("AT+CLCK=\"SC\",1,\"9999\",7"), 1u);
}

TEST(SecurityPageUi, ChangingCodes) {
    auto s = hardware::card::DefaultScenario();
    s.sim.locks[int(LockKind::kPhoneSim)].enabled = true;
    Rig rig(s);
    rig.Direct("AT+CPIN=\"0000\"");
    SecurityPageWidget page(rig.ctx(), rig.help);
    rig.Card([&] { page.ReadStates(); });
    EXPECT_EQ(page.level()->text(), "Phone");
    const auto change = [&](int which, const char* old_code, const char* new_code, const char* confirm) {
        OnNextDialog([=](QWidget* d) {
            auto* box = static_cast<AccessCodesBox*>(d);
            QTest::keyClicks(box->code(0), "12");
            box->which()->setCurrentIndex((box->which()->currentIndex() + 1) % 3);
            EXPECT_TRUE(box->code(0)->text().isEmpty());  // switching empties the fields
            box->which()->setCurrentIndex(which);
            QTest::keyClicks(box->code(0), old_code);
            QTest::keyClicks(box->code(1), new_code);
            QTest::keyClicks(box->code(2), confirm);
            ClickOk(d);
        });
        rig.Card([&] { QTest::mouseClick(page.button(2), Qt::LeftButton); });
    };
    change(2, "0000", "5678", "5679");
    change(0, "1234", "1111", "1111");
    change(2, "0000", "5678", "5678");
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{
                               kCap + "New code does not match.",
                               kCap + "You must set the PIN code request to on before changing the PIN code!"}));
    EXPECT_EQ(rig.recorder.Count("AT+CPWD"), 1u);
    EXPECT_EQ(rig.Code(LockKind::kPhoneSim), "5678");
    EXPECT_EQ(rig.Code(LockKind::kSim), "1234");
    // OK re-reads both locks.
    EXPECT_EQ(rig.recorder.Count("AT+CLCK=\"PS\",2"), 2u);

    // The level dialog starts at "Phone"; a wrong password keeps it.
    OnNextDialog([](QWidget* d) {
        auto* level = d->findChild<QComboBox*>("securityLevel");
        EXPECT_EQ(level->currentText(), "Phone");
        level->setCurrentIndex(0);
        QTest::keyClicks(d->findChild<QLineEdit*>("password"), "0000");
        ClickOk(d);
    });
    rig.Card([&] { QTest::mouseClick(page.button(0), Qt::LeftButton); });
    EXPECT_EQ(rig.Shown().back(), kCap + "Cannot change security level!");
    EXPECT_EQ(page.level()->text(), "Phone");
    EXPECT_TRUE(rig.LockOn(LockKind::kPhoneSim));
}

// Codes with a quote or ';' are never sent; control characters never reach the field; the access
// codes are cut to 8 characters.
TEST(SecurityPageUi, HostileCodesNeverReachTheCard) {
    Rig rig;
    for (const char* code : {"12\",1;+CPWD", "12;34"}) {
        LockChoiceBox box(rig.ctx(), LockChoiceBox::Kind::kPinRequest, "Off");
        box.choice()->setCurrentIndex(1);
        QTest::keyClicks(box.password(), code);
        rig.Card([&] { ClickOk(&box); });
        EXPECT_EQ(box.result(), QDialog::Rejected);
    }
    EXPECT_EQ(rig.Shown(), std::vector<std::string>(2, kCap + "Cannot change PIN status!"));
    LockChoiceBox box(rig.ctx(), LockChoiceBox::Kind::kSecurityLevel, "None");
    for (const QString& bad : {QString("00\r00"), QString("00\x1A" "0"), QString("0\n0")}) {
        Paste(box.password(), bad);
        EXPECT_TRUE(box.password()->text().isEmpty());
    }
    AccessCodesBox codes(rig.ctx(), rig.help);
    codes.which()->setCurrentIndex(2);
    for (int i = 0; i < 3; ++i) Paste(codes.code(i), QString(300, '5'));
    EXPECT_EQ(codes.code(0)->text(), "55555555");
    EXPECT_TRUE(rig.recorder.Lines().empty());
    rig.Card([&] { ClickOk(&codes); });
    EXPECT_EQ(rig.recorder.Lines(), std::vector<std::string>{"AT+CPWD=\"PS\",\"55555555\",\"55555555\""});
}

// Every dialog with a help topic: Shift+F1 and the Help button (the pages' topics are the
// sheet's, tested with it).
TEST(SettingsHelp, EachDialogStartsHelpWithItsTopic) {
    Rig rig;
    rig.AddProfile(0, "Home", "+1", 2);
    MessageCentreProfile p{};
    const struct {
        std::function<QWidget*()> make;
        const char* topic;
    } kCases[] = {
        {[&] { return new OptionsBox(rig.ctx(), rig.help); }, "qmx21.htp#WRITEOPTION"},
        {[&] { return new SmsSettingBox(rig.ctx(), rig.help); }, "qmx21.htp#SMSSETTINGS"},
        {[&] { return new EditSettingGroupBox(rig.ctx(), rig.help, p); }, "qmx23.htp#EditSettingGroup"},
        {[&] { return new AccessCodesBox(rig.ctx(), rig.help); }, "qmx23.htp#ChangeAccessCodes"},
    };
    std::vector<std::string> expected;
    for (const auto& c : kCases) {
        std::unique_ptr<QWidget> w(c.make());
        w->show();
        QApplication::setActiveWindow(w.get());
        QTest::keyClick(w.get(), Qt::Key_F1, Qt::ShiftModifier);
        QTest::mouseClick(w->findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Help),
                          Qt::LeftButton);
        expected.insert(expected.end(), 2, c.topic);
    }
    EXPECT_EQ(rig.help.Topics(), expected);
}

}  // namespace
}  // namespace qmx2::manager::ui

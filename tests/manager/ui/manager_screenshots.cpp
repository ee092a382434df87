// Renders Qmx2PPC's windows offscreen into <folder>/<window>.png: the monitor with bars and an
// operator, the monitor while searching, the about box, a message box of the manager, the message
// window with the folder tree and with the drop-down, the message dialog, the write window with
// the counter red, the recipient pickers 131, 132 and 133, the "Settings" sheet on its "General",
// "Network", "Modem", "Messages" and "Security" pages, the contact window loading and with entries,
// and its three dialogs, the message-centre dialogs and the access-code dialogs.
//   manager_screenshots FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QMessageBox>
#include <QAbstractButton>
#include <QSlider>
#include <QTabWidget>
#include <cstdio>

#include "manager/core/command_ids.h"
#include "manager/core/fixed_text.h"
#include "manager/core/manager_ui.h"
#include "manager/core/polling.h"
#include "manager/ui/contact_dialogs.h"
#include "manager/ui/contact_window.h"
#include "manager/ui/message_window.h"
#include "manager/ui/recipient_pickers.h"
#include "manager/ui/write_window.h"
#include "manager/settings/centre_profiles.h"
#include "manager/ui/settings/centre_dialogs.h"
#include "manager/ui/settings/security_dialogs.h"
#include "tests/manager/manager_harness.h"
#include "tests/manager/messages/card_rig.h"
#include "manager/ui/settings/network_page.h"
#include "manager/ui/settings_sheet.h"
#include "manager/ui/ppc/monitor_window.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "platform/help_viewer.h"
#include "platform/qt/message_box.h"

using namespace qmx2::manager;

namespace {

QString folder;

void Save(QWidget* w, const char* name) {
    w->show();
    QApplication::processEvents();
    const QString path = folder + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    w->hide();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: manager_screenshots FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    folder = argv[1];
    qmx2::platform::HelpRequestLog help;

    MonitorState state;
    ui::MonitorWindow window([&state] { return state; }, [](uint32_t) {}, help);
    Save(&window, "manager-monitor-searching");
    state.signal_level = 3;
    state.operator_line = "Orvan Net";
    SetSpeedLines(state, 1);
    Save(&window, "manager-monitor");
    // The Handheld PC shell: the same monitor under a command bar, in its larger main window.
    ui::MonitorWindow hpc([&state] { return state; }, [](uint32_t) {}, help, ui::kHandheldPcShell);
    Save(&hpc, "manager-monitor-hpc");

    QDialog* about = window.MakeAbout();
    Save(about, "manager-about");
    delete about;

    const auto box = qmx2::platform::qt::MakeMessageBox(
        {"Do you want to delete?", QString::fromUtf16(kCaption), nullptr, qmx2::platform::qt::Buttons::kYesNo});
    Save(box.get(), "manager-confirm-delete");

    // Two received messages, one unread, and a stored own message.
    testing::Harness h;
    ManagerContext& ctx = *h.ctx;
    ctx.messages.Allocate(30);
    const auto put = [&](int position, const char* status, const char* number, const char* name,
                         const char* stamp, const char* text) {
        MessageRecord& r = ctx.messages.records.at(size_t(position));
        SetField(r.status, status);
        SetField(r.number, number);
        SetField(r.name, name);
        SetField(r.time_stamp, stamp);
        SetField(r.text, text);
        r.slot_number = position + 1;
    };
    put(0, "REC UNREAD", "+491701111", "Anna", "26/01/05,12:00:00+04", "Are we still on for tonight?\r\nCall me.");
    put(1, "REC READ", "0302222", "", "26/01/04,09:30:00+04", "Yo");
    put(2, "STO SENT", "0303333", "Bob", "26/01/03,18:45:00+04", "Sent one");
    ui::MessageWindow messages(ctx, help);
    Save(&messages, "manager-message-window-tree");
    messages.Command(kCmdFolder);
    Save(&messages, "manager-message-window-drop-down");
    messages.Command(kCmdFolder);
    messages.list()->setCurrentItem(messages.list()->topLevelItem(0));
    QDialog* dialog = messages.MakeMessageDialog();
    if (dialog) Save(dialog, "manager-message-dialog");
    delete dialog;

    {
        ctx.options.confirm_on_delete = 1;
        qmx2::platform::ExternalWait off_clock(*h.clock);  // the "Messages" page sets the centre as it goes
        QDialog* sheet = ui::MakeSettingsSheet(nullptr, {ctx, help});
        Save(sheet, "manager-settings-general");
        delete sheet;
    }

    // The write window over 160 characters, two recipients, one selected.
    const auto contact = [&](BookId id, const char* name, const char* number) {
        PhonebookEntry e{};
        SetField(e.name, name);
        SetField(e.number, number);
        ctx.books.Book(id).entries.push_back(e);
    };
    contact(BookId::kSim, "Anna", "+491701111");
    contact(BookId::kSim, "Bob", "0303333");
    contact(BookId::kCard, "Carl Gustavsson", "+46 8 123 456 78");
    contact(BookId::kPda, "Dora", "0555 1234");
    ui::WriteWindow write(ctx, help, [](uint32_t) {});
    WriteWindowState content;
    content.recipients = {u"Anna (+491701111)", u"0303333"};
    content.selected = 1;
    content.text = u"Dear all,\r\nthe meeting moves to Thursday at ten in the small room on the third floor. "
                   u"Please bring the printed plans and the list of open points; we will go through them "
                   u"one by one.";
    write.Fill(content);
    write.recipient_list()->setCurrentRow(1);
    Save(&write, "manager-write-window");

    ui::SelectRecipientsDialog select(ctx, help);
    select.to_button()->click();
    Save(&select, "manager-select-recipients");
    put(30, "STO SENT", "+491709999", "", "26/01/06,08:10:00+04", "On my way");
    put(31, "STO SENT", "+491701111", "Anna", "26/01/06,08:15:00+04", "See you");
    ui::RecentRecipientsDialog recent(ctx);
    recent.list()->setCurrentRow(0);
    Save(&recent, "manager-recent-recipients");
    ui::SelectNumberDialog number(ctx);
    Save(&number, "manager-select-number");

    // The "Settings" sheet on "Network" after a search on a card in manual mode with the second
    // operator picked, and on "Modem" at 28.8 kbit/s over ISDN v.110.
    {
        auto scenario = qmx2::hardware::card::DefaultScenario();
        scenario.network.automatic = false;
        testing::CardRig rig(scenario);
        qmx2::platform::ExternalWait off_clock(*rig.h.clock);  // the page's card thread runs the clock
        SetCurrentOperator(rig.ctx(), "RADIOLINJA");
        QDialog* sheet = ui::MakeSettingsSheet(nullptr, {rig.ctx(), help});
        auto* pages = sheet->findChild<QTabWidget*>("settingsPages");
        sheet->show();
        pages->setCurrentIndex(4);
        auto* network = static_cast<ui::NetworkPageWidget*>(pages->currentWidget());
        while (!network->opened()) QApplication::processEvents();
        auto* search = network->findChild<QAbstractButton*>("searchNetwork");
        search->click();  // the first command after opening only shows the operator
        search->click();
        network->findChild<QListWidget*>("operatorList")->setCurrentRow(1);
        Save(sheet, "manager-settings-network");
        pages->setCurrentIndex(2);
        pages->currentWidget()->findChild<QSlider*>("speedSlider")->setValue(3);
        pages->currentWidget()->findChild<QAbstractButton*>("method1")->setChecked(true);
        Save(sheet, "manager-settings-modem");
        delete sheet;
    }

    // The SIM book with a few entries (one without a name, not listed); the card books unread
    // first.
    ctx.books.sim.entries.resize(10);
    ctx.books.sim.name_width = 14;
    ctx.books.sim.number_width = 20;
    const char* const contacts[][2] = {{"Anna Berg", "+491701111"}, {"Bob", "0302222"},
                                       {"Dr. Carla Weiss", "+4930123456"}, {"", "0304444"},
                                       {"Wolfgang Amadeus", "+49891234567"}};
    for (size_t k = 0; k < std::size(contacts); ++k) {
        PhonebookEntry& e = ctx.books.sim.entries[k];
        SetField(e.name, contacts[k][0]);
        SetField(e.number, contacts[k][1]);
        SetField(e.number_type, NumberTypeFor(contacts[k][1]));
    }
    ui::ContactWindow contact_window(ctx, help);
    Save(&contact_window, "manager-contact-window-loading");
    ctx.sim_book_loaded = true;
    ctx.card_book_loaded = true;
    contact_window.Tick();
    contact_window.list()->setCurrentItem(contact_window.list()->topLevelItem(1));
    Save(&contact_window, "manager-contact-window");

    ui::EntryDialog entry(false, {}, 14, 20);
    Save(&entry, "manager-contact-new-entry");
    ui::EntryDialog edit(true, {"Bob", "0302222"}, 14, 20);
    Save(&edit, "manager-contact-edit-entry");
    ui::BookDialog copy_to(false, BookId::kSim);
    Save(&copy_to, "manager-contact-copy-to");
    ui::PasteDialog paste({"Sixteen letters!", "+4917012345"}, {"Sixteen letter", "+4917012345"}, 14, 20);
    Save(&paste, "manager-contact-paste");
    // The "Messages" and "Security" pages in the sheet with three setting groups, the second
    // marked, on a card with the phone lock on; the message-centre and access-code dialogs.
    {
        auto scenario = qmx2::hardware::card::DefaultScenario();
        scenario.sim.locks[int(qmx2::hardware::card::LockKind::kPhoneSim)].enabled = true;
        testing::CardRig rig(scenario);
        rig.Direct("AT+CPIN=\"0000\"");  // the phone lock code, as the commander gives it at power-up
        ManagerContext& c = rig.ctx();
        qmx2::platform::ExternalWait off_clock(*rig.h.clock);  // the pages' card thread runs the clock
        const auto profile = [&](int i, const char* name, const char* number, int validity) {
            MessageCentreProfile& p = c.profiles[i];
            SetField(p.name, name);
            SetField(p.centre_number, number);
            p.validity_code = ValidityCode(validity);
            p.sending_format = 1;
        };
        profile(0, "Home", "+358405202000", 2);
        profile(1, "Travel", "+491722270333", 5);
        profile(2, "Office", "+4930123456", 3);
        c.default_centre = false;
        QDialog* sheet = ui::MakeSettingsSheet(nullptr, {c, help});
        auto* pages = sheet->findChild<QTabWidget*>("settingsPages");
        sheet->show();
        pages->setCurrentIndex(1);
        auto* groups = pages->currentWidget()->findChild<QTreeWidget*>("settingGroups");
        groups->setCurrentItem(groups->topLevelItem(1));
        Save(sheet, "manager-settings-messages");
        sheet->show();
        pages->setCurrentIndex(3);
        auto* level = pages->currentWidget()->findChild<QLineEdit*>("securityLevel");
        while (level->text().isEmpty()) QApplication::processEvents();
        Save(sheet, "manager-settings-security");
        delete sheet;

        ui::OptionsBox options(c, help);
        options.groups()->setCurrentIndex(2);
        Save(&options, "manager-options");
        ui::SmsSettingBox sms(c, help);
        Save(&sms, "manager-sms-setting");
        MessageCentreProfile edited = c.profiles[2];
        ui::EditSettingGroupBox group(c, help, edited);
        Save(&group, "manager-edit-setting-group");
        ui::LockChoiceBox lock(c, ui::LockChoiceBox::Kind::kSecurityLevel, "Phone");
        Save(&lock, "manager-change-security-level");
        ui::LockChoiceBox pin(c, ui::LockChoiceBox::Kind::kPinRequest, "Off");
        Save(&pin, "manager-pin-code-request");
        ui::AccessCodesBox codes(c, help);
        Save(&codes, "manager-change-access-codes");
    }
    return 0;
}

// The three places where message-centre profiles are chosen or edited, as state and events that
// a window shell binds to its controls: the write window's "Options" dialog, the message
// window's "SMS Setting" dialog, and the "Messages" settings page with its "Edit Setting Group"
// dialog.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char16_t kSelectFromGroupList[] = u"Please select from group list.";
inline constexpr char16_t kSelectFromCentreList[] = u"Please select from message centre list.";
inline constexpr char16_t kStorageFull[] = u"Setting storage full.";
inline constexpr char16_t kNumberMustExist[] = u"Message centre number must be existed.";
inline constexpr char kDefaultChoice[] = "Default";

// Read-only fields of a chosen profile.
struct ProfileView {
    std::string number;
    std::string validity;
    std::string sent_as;
};

// "Options": "Default" first, then every used profile's name in profile order.
struct OptionsDialog {
    std::vector<std::string> choices;
    int chosen = -1;  // -1 nothing, 0 "Default", k the k-th used profile
    ProfileView view;
};
OptionsDialog OpenOptionsDialog(const ManagerContext& ctx);
void ChooseOption(const ManagerContext& ctx, OptionsDialog& d, int choice);
// OK: false while the dialog stays (nothing chosen); true once it closed, whether or not the
// card took the choice.
bool OptionsOk(ManagerContext& ctx, const OptionsDialog& d);

// "SMS Setting".
struct SmsSettingDialog {
    std::vector<std::string> names;  // every used profile, in profile order
    int chosen = -1;
    std::string number;  // the edit box
    int validity = 0;    // a validity choice
    uint8_t format = 1;
    // On the dialog but never shown: "&Reply via same message centre" (option byte 0),
    // "&Delivery reports" (option byte 2) and two lists holding the option block's mailbox texts.
    bool reply_path = false;
    bool delivery_reports = false;
    std::string voice_mailbox, second_list_text;
};
SmsSettingDialog OpenSmsSettingDialog(ManagerContext& ctx);
void ChooseSmsSetting(const ManagerContext& ctx, SmsSettingDialog& d, int choice);
bool SmsSettingOk(ManagerContext& ctx, const SmsSettingDialog& d);

// "Edit Setting Group": edit boxes of up to 19 characters, "Text" as the only format.
struct SettingGroupFields {
    std::string name;
    std::string number;
    int validity = 2;  // "24 hours" for a new profile
};
SettingGroupFields FieldsOf(const MessageCentreProfile& p);
// OK: stores the fields into `p` (format 1), or shows kNumberMustExist and returns false.
bool EditSettingGroupOk(ManagerContext& ctx, const SettingGroupFields& f, MessageCentreProfile& p);

// The "Messages" page.
struct ProfileRow {
    std::string name, number, validity, sent_as;
    bool current = false;  // the "current" icon
};
struct MessagesPage {
    std::vector<ProfileRow> rows;
    int marked = -1;
    bool use_sim_default = true;
    bool use_sim_default_enabled = true;
    // Never shown: "Reply path", "Save copy to Sent Messages-folder", "Status reports" and "Send
    // long messages", option bytes 0 to 3; stored back when the page closes.
    std::array<bool, 4> hidden_options{};
    bool RowActionsEnabled() const { return marked >= 0 && marked < static_cast<int>(rows.size()); }
};
MessagesPage OpenMessagesPage(ManagerContext& ctx);
void RebuildMessagesPage(ManagerContext& ctx, MessagesPage& page);
// "New...": the profile position to edit, or -1 after kStorageFull.
int BeginNewProfile(ManagerContext& ctx);
// The profile position of the marked row; -1 without one.
int MarkedProfile(const ManagerContext& ctx, const MessagesPage& page);
void StoreProfile(ManagerContext& ctx, MessagesPage& page, int index, const MessageCentreProfile& p);
void DeleteMarkedProfile(ManagerContext& ctx, MessagesPage& page);
void SelectMarkedProfile(ManagerContext& ctx, MessagesPage& page);
// The page closes: the hidden option bytes, the flag from "Use SIM default", "useDefSMSCenter",
// then the card.
void CloseMessagesPage(ManagerContext& ctx, const MessagesPage& page);

}  // namespace qmx2::manager

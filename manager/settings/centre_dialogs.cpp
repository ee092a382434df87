// Dialog and page logic of the message-centre profiles.
#include "manager/settings/centre_dialogs.h"

#include <cstring>
#include <mutex>

#include "manager/settings/centre_profiles.h"
#include "manager/store/settings_registry.h"

namespace qmx2::manager {
namespace {

void Tell(ManagerContext& ctx, std::u16string_view text) {
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, false);
}

ProfileView ViewOf(const MessageCentreProfile& p) {
    return {std::string(FieldText(p.centre_number)), ValidityLabel(ValidityChoice(p.validity_code)),
            SendingFormatLabel(p.sending_format)};
}

// The profile position of the k-th used profile (the table is packed, but a damaged file may
// not be).
int UsedAt(const ManagerContext& ctx, int k) {
    for (int i = 0; i < kProfiles; ++i)
        if (ProfileUsed(ctx.profiles[i]) && k-- == 0) return i;
    return -1;
}

std::vector<std::string> UsedNames(const ManagerContext& ctx) {
    std::vector<std::string> names;
    for (const MessageCentreProfile& p : ctx.profiles)
        if (ProfileUsed(p)) names.emplace_back(FieldText(p.name));
    return names;
}

std::string Cut(std::string_view s) { return std::string(s.substr(0, kMaxProfileChars)); }

}  // namespace

OptionsDialog OpenOptionsDialog(const ManagerContext& ctx) {
    OptionsDialog d;
    d.choices.push_back(kDefaultChoice);
    for (std::string& n : UsedNames(ctx)) d.choices.push_back(std::move(n));
    ChooseOption(ctx, d, ctx.default_centre || d.choices.size() == 1 ? 0 : 1);
    return d;
}

void ChooseOption(const ManagerContext& ctx, OptionsDialog& d, int choice) {
    d.chosen = choice >= 0 && choice < static_cast<int>(d.choices.size()) ? choice : -1;
    d.view = {};
    if (d.chosen <= 0) return;
    // The first profile with exactly that name.
    for (const MessageCentreProfile& p : ctx.profiles) {
        if (ProfileUsed(p) && FieldText(p.name) == d.choices[static_cast<std::size_t>(d.chosen)]) {
            d.view = ViewOf(p);
            return;
        }
    }
}

bool OptionsOk(ManagerContext& ctx, const OptionsDialog& d) {
    if (d.chosen < 0) {
        Tell(ctx, kSelectFromGroupList);
        return false;
    }
    if (d.chosen == 0) {
        ApplySimDefault(ctx);
        return true;
    }
    for (int i = 0; i < kProfiles; ++i) {
        if (ProfileUsed(ctx.profiles[i]) &&
            FieldText(ctx.profiles[i].name) == d.choices[static_cast<std::size_t>(d.chosen)]) {
            ApplyProfile(ctx, i);
            break;
        }
    }
    return true;
}

SmsSettingDialog OpenSmsSettingDialog(ManagerContext& ctx) {
    SmsSettingDialog d;
    d.names = UsedNames(ctx);
    d.chosen = d.names.empty() ? -1 : 0;
    d.number = std::string(FieldText(ctx.profiles[0].centre_number));
    d.validity = ValidityChoice(ctx.profiles[0].validity_code);
    d.format = 1;
    std::lock_guard lock(ctx.tables);
    d.reply_path = ctx.options.reply_path != 0;
    d.delivery_reports = ctx.options.status_reports != 0;
    d.voice_mailbox = std::string(FieldText(ctx.options.voice_mailbox));
    d.second_list_text = std::string(FieldText(ctx.options.second_list_text));
    return d;
}

void ChooseSmsSetting(const ManagerContext& ctx, SmsSettingDialog& d, int choice) {
    const int at = UsedAt(ctx, choice);
    d.chosen = at < 0 ? -1 : choice;
    if (at < 0) return;
    const MessageCentreProfile& p = ctx.profiles[at];
    d.number = std::string(FieldText(p.centre_number));
    d.validity = ValidityChoice(p.validity_code);
    d.format = p.sending_format ? p.sending_format : 1;
}

bool SmsSettingOk(ManagerContext& ctx, const SmsSettingDialog& d) {
    const int at = d.chosen < 0 ? -1 : UsedAt(ctx, d.chosen);
    if (at < 0) {
        Tell(ctx, kSelectFromCentreList);
        return false;
    }
    // An empty number would free the profile: refused as in "Edit Setting Group".
    if (d.number.empty()) {
        Tell(ctx, kNumberMustExist);
        return false;
    }
    MessageCentreProfile& p = ctx.profiles[at];
    SetField(p.centre_number, Cut(d.number));
    p.validity_code = ValidityCode(d.validity);
    p.sending_format = d.format;
    ApplyProfile(ctx, at);
    return true;
}

SettingGroupFields FieldsOf(const MessageCentreProfile& p) {
    if (!ProfileUsed(p)) return {};
    return {std::string(FieldText(p.name)), std::string(FieldText(p.centre_number)),
            ValidityChoice(p.validity_code)};
}

bool EditSettingGroupOk(ManagerContext& ctx, const SettingGroupFields& f, MessageCentreProfile& p) {
    if (f.number.empty()) {
        Tell(ctx, kNumberMustExist);
        return false;
    }
    std::memset(&p, 0, sizeof p);
    SetField(p.name, Cut(f.name));
    SetField(p.centre_number, Cut(f.number));
    p.validity_code = ValidityCode(f.validity);
    p.sending_format = 1;
    return true;
}

MessagesPage OpenMessagesPage(ManagerContext& ctx) {
    MessagesPage page;
    page.use_sim_default = ctx.default_centre;
    {
        std::lock_guard lock(ctx.tables);
        const OptionBlock& o = ctx.options;
        page.hidden_options = {o.reply_path != 0, o.save_sent_copy != 0, o.status_reports != 0,
                               o.send_long_messages != 0};
    }
    RebuildMessagesPage(ctx, page);
    return page;
}

void RebuildMessagesPage(ManagerContext& ctx, MessagesPage& page) {
    page.rows.clear();
    for (int i = 0; i < kProfiles; ++i) {
        const MessageCentreProfile& p = ctx.profiles[i];
        if (!ProfileUsed(p)) continue;
        const ProfileView v = ViewOf(p);
        page.rows.push_back({std::string(FieldText(p.name)), v.number, v.validity, v.sent_as,
                             i == 0 && !page.use_sim_default});
    }
    if (page.marked >= static_cast<int>(page.rows.size())) page.marked = -1;
    page.use_sim_default_enabled = !page.rows.empty();
    if (page.rows.empty()) {
        page.use_sim_default = true;
        ctx.default_centre = true;
    }
}

int BeginNewProfile(ManagerContext& ctx) {
    const int free = FirstFreeProfile(ctx);
    if (free < 0) Tell(ctx, kStorageFull);
    return free;
}

int MarkedProfile(const ManagerContext& ctx, const MessagesPage& page) {
    return page.RowActionsEnabled() ? UsedAt(ctx, page.marked) : -1;
}

void StoreProfile(ManagerContext& ctx, MessagesPage& page, int index, const MessageCentreProfile& p) {
    if (index < 0 || index >= kProfiles || !ProfileUsed(p)) return;
    ctx.profiles[index] = p;
    RebuildMessagesPage(ctx, page);
}

void DeleteMarkedProfile(ManagerContext& ctx, MessagesPage& page) {
    if (!page.RowActionsEnabled()) return;
    DeleteProfile(ctx, UsedAt(ctx, page.marked));
    page.marked = -1;
    RebuildMessagesPage(ctx, page);
}

void SelectMarkedProfile(ManagerContext& ctx, MessagesPage& page) {
    if (!page.RowActionsEnabled()) return;
    SwapWithCurrent(ctx, UsedAt(ctx, page.marked));
    page.use_sim_default = false;
    RebuildMessagesPage(ctx, page);
}

void CloseMessagesPage(ManagerContext& ctx, const MessagesPage& page) {
    {
        std::lock_guard lock(ctx.tables);
        OptionBlock& o = ctx.options;
        o.reply_path = page.hidden_options[0];
        o.save_sent_copy = page.hidden_options[1];
        o.status_reports = page.hidden_options[2];
        o.send_long_messages = page.hidden_options[3];
    }
    ctx.default_centre = page.use_sim_default;
    WriteManagerValue(ctx.registry, kValueUseDefCentre, page.use_sim_default ? "On" : "Off");
    ApplyOnMessagesPageClose(ctx);
}

}  // namespace qmx2::manager

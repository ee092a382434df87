// The profile table and the AT exchanges that set the card's message centre.
#include "manager/settings/centre_profiles.h"

#include <cstring>
#include <utility>

#include "common/text_utils.h"
#include "manager/core/polling.h"

namespace qmx2::manager {
namespace {

struct Validity {
    const char* label;
    int code;
    int value;
};
constexpr Validity kValidities[kValidityChoices] = {
    {"1 hour", 0, 11},     {"6 hours", 5, 71},   {"24 hours", 23, 167},
    {"72 hours", 71, 169}, {"1 week", 167, 173}, {"Maximum time", 255, 255},
};

int Clamp(int choice) { return choice < 0 || choice >= kValidityChoices ? kDefaultValidityChoice : choice; }

bool HasOk(std::string_view reply) { return reply.find("OK") != std::string_view::npos; }

void Tell(ManagerContext& ctx, std::u16string_view text) {
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, false);
}

std::string CsmpCommand(const MessageCentreProfile& p) {
    return "AT+CSMP=17," + std::to_string(ValidityValue(p.validity_code)) + ",0,0";
}

std::string CscaCommand(std::string_view number) {
    return "AT+CSCA=\"" + std::string(number) + "\"";
}

// The centre that start-up and the page's close set: profile 0's or the SIM's.
std::string CurrentCentre(const ManagerContext& ctx) {
    return ctx.default_centre ? std::string() : CentreArgument(ctx.profiles[0]);
}

}  // namespace

const char* ValidityLabel(int choice) { return kValidities[Clamp(choice)].label; }
int ValidityCode(int choice) { return kValidities[Clamp(choice)].code; }

int ValidityChoice(int32_t code) {
    for (int i = 0; i < kValidityChoices; ++i)
        if (kValidities[i].code == code) return i;
    return kDefaultValidityChoice;
}

int ValidityValue(int32_t code) { return kValidities[ValidityChoice(code)].value; }

const char* SendingFormatLabel(uint8_t format) {
    static constexpr const char* kLabels[] = {"", "Text", "E-mail", "Fax", "Paging"};
    return format < 5 ? kLabels[format] : "";
}

bool ProfileUsed(const MessageCentreProfile& p) { return !FieldEmpty(p.centre_number); }

bool UserProfilesExist(ManagerContext& ctx) {
    if (UsedProfiles(ctx) > 0) return true;
    Tell(ctx, kNoUserProfile);
    return false;
}

int FirstFreeProfile(const ManagerContext& ctx) {
    for (int i = 0; i < kProfiles; ++i)
        if (!ProfileUsed(ctx.profiles[i])) return i;
    return -1;
}

int UsedProfiles(const ManagerContext& ctx) {
    int n = 0;
    for (const MessageCentreProfile& p : ctx.profiles) n += ProfileUsed(p);
    return n;
}

void DeleteProfile(ManagerContext& ctx, int index) {
    if (index < 0 || index >= kProfiles) return;
    for (int i = index; i + 1 < kProfiles; ++i) ctx.profiles[i] = ctx.profiles[i + 1];
    std::memset(&ctx.profiles[kProfiles - 1], 0, sizeof(MessageCentreProfile));
}

void SwapWithCurrent(ManagerContext& ctx, int index) {
    if (index > 0 && index < kProfiles) std::swap(ctx.profiles[0], ctx.profiles[index]);
}

std::string CentreArgument(const MessageCentreProfile& p) {
    const std::string typed(FieldText(p.centre_number));
    char out[sizeof p.centre_number] = "";
    common::DialableDigits(typed.c_str(), out, sizeof out);
    return out;
}

bool ApplyProfile(ManagerContext& ctx, int index) {
    if (index < 0 || index >= kProfiles) return false;
    const MessageCentreProfile& p = ctx.profiles[index];
    const std::string number = CentreArgument(p);
    if (number.empty()) {
        Tell(ctx, kCannotSetCentre);
        return false;
    }
    PausePolling(ctx, kStatePaused);
    if (!HasOk(common::SendAtCommand(ctx.channel, CscaCommand(number), "+CSCA", kCentreTimeoutS))) {
        ResumePolling(ctx);
        Tell(ctx, kCannotSetCentre);
        return false;
    }
    common::SendAtCommand(ctx.channel, CsmpCommand(p), "+CSMP", kCentreTimeoutS);
    common::SendAtCommand(ctx.channel, "AT+CSAS=1", "+CSAS", kCentreTimeoutS);
    ResumePolling(ctx);
    SwapWithCurrent(ctx, index);
    ctx.default_centre = false;
    return true;
}

bool ApplySimDefault(ManagerContext& ctx) {
    PausePolling(ctx, kStatePaused);
    const bool ok = HasOk(common::SendAtCommand(ctx.channel, CscaCommand(""), "+CSCA", kCentreTimeoutS));
    ResumePolling(ctx);
    if (ok) {
        ctx.default_centre = true;
    } else {
        Tell(ctx, kCannotSetCentre);
    }
    return ok;
}

bool ApplyOnMessagesPageClose(ManagerContext& ctx) {
    PausePolling(ctx, kStatePaused);
    const std::string number = CurrentCentre(ctx);
    const bool ok = HasOk(common::SendAtCommand(ctx.channel, CscaCommand(number), "+CSCA", kCentreTimeoutS));
    if (ok && !ctx.default_centre && !number.empty())
        common::SendAtCommand(ctx.channel, CsmpCommand(ctx.profiles[0]), "+CSMP", kCentreTimeoutS);
    ResumePolling(ctx);
    if (!ok) Tell(ctx, kCannotSetCentre);
    return ok;
}

}  // namespace qmx2::manager

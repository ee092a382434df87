// Reading and changing the card's locks and access codes.
#include "manager/settings/security.h"

#include "manager/core/polling.h"

namespace qmx2::manager {
namespace {

bool Has(std::string_view reply, std::string_view what) {
    return reply.find(what) != std::string_view::npos;
}

void Tell(ManagerContext& ctx, std::u16string_view text) {
    ctx.ui.SetWaitCursor(false);
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, false);
}

std::string Narrow(std::u16string_view code) {
    std::string out;
    for (char16_t u : code.substr(0, kMaxCodeChars)) out.push_back(static_cast<char>(u & 0xFF));
    return out;
}

std::string ReadLock(ManagerContext& ctx, const char* facility, const char* on, const char* off) {
    const std::string_view reply = common::SendAtCommand(
        ctx.channel, std::string("AT+CLCK=\"") + facility + "\",2", "+CLCK", kSecurityTimeoutS);
    if (Has(reply, "Comm failure")) return kPortBusy;
    return Has(reply, "+CLCK: 1") ? on : off;
}

// AT+CLCK="<facility>",<mode>,"<password>",7 under the pause; true on OK.
bool SetLock(ManagerContext& ctx, const char* facility, int mode, std::u16string_view password) {
    if (!CodeIsSendable(password)) return false;
    const std::string command = std::string("AT+CLCK=\"") + facility + "\"," +
                                std::to_string(mode) + ",\"" + Narrow(password) + "\",7";
    PausePolling(ctx, kStatePaused);
    const bool ok = Has(common::SendAtCommand(ctx.channel, command, "+CLCK", kSecurityTimeoutS), "\r\nOK\r\n");
    ResumePolling(ctx);
    return ok;
}

bool RequestIsOn(ManagerContext& ctx, const char* facility) {
    PausePolling(ctx, kStatePaused);
    const std::string_view reply = common::SendAtCommand(
        ctx.channel, std::string("AT+CLCK=\"") + facility + "\",2", "+CLCK", kSecurityTimeoutS);
    const bool on = Has(reply, "+CLCK: 1");
    ResumePolling(ctx);
    return on;
}

}  // namespace

bool CodeIsSendable(std::u16string_view code) {
    for (char16_t u : code.substr(0, kMaxCodeChars)) {
        const unsigned char b = static_cast<unsigned char>(u & 0xFF);
        if (b < 0x20 || b == 0x7F || b == '"' || b == ';') return false;
    }
    return true;
}

SecurityFields ReadSecurityStates(ManagerContext& ctx) {
    PausePolling(ctx, kStatePaused);
    SecurityFields f;
    f.level = ReadLock(ctx, "PS", kLevelPhone, kLevelNone);
    f.pin_request = ReadLock(ctx, "SC", kStateOn, kStateOff);
    ResumePolling(ctx);
    return f;
}

ChoiceDialog OpenSecurityLevelDialog(std::string_view current) {
    return {Has(current.substr(0, 9), kLevelNone) ? 0 : 1, {}};
}

ChoiceDialog OpenPinRequestDialog(std::string_view current) {
    return {Has(current.substr(0, 9), kStateOff) ? 0 : 1, {}};
}

const char* LevelText(int selection) { return selection == 0 ? kLevelNone : kLevelPhone; }
const char* PinRequestText(int selection) { return selection == 0 ? kStateOff : kStateOn; }

bool SecurityLevelOk(ManagerContext& ctx, const ChoiceDialog& d) {
    if (SetLock(ctx, "PS", d.selection == 0 ? 0 : 1, d.password)) return true;
    Tell(ctx, kCannotChangeLevel);
    return false;
}

bool PinRequestOk(ManagerContext& ctx, const ChoiceDialog& d) {
    if (SetLock(ctx, "SC", d.selection == 0 ? 0 : 1, d.password)) return true;
    Tell(ctx, kCannotChangePinStatus);
    return false;
}

void ChooseAccessCode(AccessCodesDialog& d, AccessCode which) {
    if (which != d.which) d.old_code.clear(), d.new_code.clear(), d.confirm.clear();
    d.which = which;
}

bool AccessCodesOk(ManagerContext& ctx, const AccessCodesDialog& d) {
    if (d.new_code != d.confirm) {
        Tell(ctx, kCodesDiffer);
        return false;
    }
    if (d.which == AccessCode::kPin && !RequestIsOn(ctx, "SC")) {
        Tell(ctx, kPinRequestOffForPin);
        return false;
    }
    if (d.which == AccessCode::kPin2 && !RequestIsOn(ctx, "P2")) {
        Tell(ctx, kPinRequestOffForPin2);
        return false;
    }
    if (!CodeIsSendable(d.old_code) || !CodeIsSendable(d.new_code)) {
        Tell(ctx, kCannotChangeCode);
        return false;
    }
    static constexpr const char* kPrefix[] = {"AT+CPWD=\"SC\",\"", "AT+CPWD=\"P2\",\"",
                                              "AT+CPWD=\"PS\",\""};
    const std::string command = kPrefix[static_cast<int>(d.which)] + Narrow(d.old_code) + "\",\"" +
                                Narrow(d.new_code) + "\"";
    PausePolling(ctx, kStatePaused);
    const std::string reply(common::SendAtCommand(ctx.channel, command, "+CPWD", kSecurityTimeoutS));
    ResumePolling(ctx);
    if (Has(reply, "\r\nOK\r\n")) return true;
    Tell(ctx, Has(reply, "Comm failure") ? kPortBusyNotice : kCannotChangeCode);
    return false;
}

}  // namespace qmx2::manager

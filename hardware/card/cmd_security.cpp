// The SIM's access codes: +CPIN states and code entry, +CLCK locks, +CPWD code changes, with
// the attempt counters of a real SIM (a code that runs out of attempts asks for its unblocking
// code; an unblocking code that runs out blocks the SIM for good).
#include "hardware/card/phone_engine.h"

namespace qmx2::hardware::card {
namespace {

struct LockRow {
    LockKind kind;
    const char* facility;
    const char* pin_state;
    const char* puk_state;  // "" when the lock has no unblocking code
    int cme_pin, cme_puk, cms_pin, cms_puk;
};

// In the order in which the card asks for the codes.
constexpr LockRow kLocks[] = {
    {LockKind::kSim, "SC", "SIM PIN", "SIM PUK", 11, 12, 311, 316},
    {LockKind::kPhoneSim, "PS", "PH-SIM PIN", "", 5, 5, 312, 312},
    {LockKind::kPhoneFirstSim, "PF", "PH-FSIM PIN", "PH-FSIM PUK", 6, 7, 302, 302},
    {LockKind::kPhoneNetwork, "PN", "PH-NET PIN", "PH-NET PUK", 40, 41, 302, 302},
    {LockKind::kSimPin2, "P2", "SIM PIN2", "SIM PUK2", 17, 18, 317, 318},
};

enum class Verdict { kRight, kWrong, kMalformed, kBlocked };

bool WellFormed(const std::string& code) {
    if (code.size() < 4 || code.size() > 8) return false;
    for (char c : code)
        if (c < '0' || c > '9') return false;
    return true;
}

Verdict Check(AccessCode& code, const std::string& given) {
    if (code.max_attempts > 0 && code.attempts_left <= 0) return Verdict::kBlocked;
    if (!WellFormed(given)) return Verdict::kMalformed;
    if (given == code.code) {
        code.attempts_left = code.max_attempts;
        return Verdict::kRight;
    }
    if (code.max_attempts > 0) --code.attempts_left;
    return Verdict::kWrong;
}

// The lock the SIM waits for, and whether it waits for the unblocking code. With
// include_pin2 false, PIN2 does not count: it only guards PIN2 operations.
struct Pending {
    const LockRow* row = nullptr;
    bool puk = false;
    bool blocked = false;
};

Pending FindPending(const SimState& sim, bool include_pin2) {
    for (const LockRow& r : kLocks) {
        if (r.kind == LockKind::kSimPin2 && !include_pin2) continue;
        const Lock& l = sim.locks[static_cast<int>(r.kind)];
        const bool pin_out = l.pin.max_attempts > 0 && l.pin.attempts_left <= 0;
        if (pin_out) {
            const bool puk_out = l.puk.code.empty() ||
                                 (l.puk.max_attempts > 0 && l.puk.attempts_left <= 0);
            return {&r, true, puk_out};
        }
        if (l.enabled && !l.verified) return {&r, false, false};
    }
    return {};
}

const LockRow* RowOfFacility(const std::string& facility) {
    const std::string f = Upper(facility);
    for (const LockRow& r : kLocks)
        if (f == r.facility) return &r;
    return nullptr;
}

}  // namespace

std::string PhoneEngine::PendingCodeState() const {
    if (!scenario.sim.inserted) return "";
    const Pending p = FindPending(scenario.sim, false);
    if (!p.row) return "READY";
    if (p.blocked) return "";
    return p.puk ? p.row->puk_state : p.row->pin_state;
}

Result PhoneEngine::SimNotReady(bool sms) const {
    if (!scenario.sim.inserted) return sms ? Result::Cms(310) : Result::Cme(10);
    const Pending p = FindPending(scenario.sim, false);
    if (!p.row || p.blocked) return sms ? Result::Cms(313) : Result::Cme(13);
    if (p.puk) return sms ? Result::Cms(p.row->cms_puk) : Result::Cme(p.row->cme_puk);
    return sms ? Result::Cms(p.row->cms_pin) : Result::Cme(p.row->cme_pin);
}

Result PhoneEngine::Pin(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) return Result::Ok();
    if (cmd.form == CommandForm::kExecute) return Result::Error();
    if (!sim().inserted) return Result::Cme(10);
    const Pending p = FindPending(sim(), true);
    if (p.blocked) return Result::Cme(13);
    if (cmd.form == CommandForm::kRead) {
        Info(std::string("+CPIN: ") + (!p.row ? "READY" : p.puk ? p.row->puk_state : p.row->pin_state));
        // Wavecom modems end their READY answer with the state line: no OK follows.
        if (!p.row && scenario.quirks.cpin_without_ok) return Result::Pending();
        return Result::Ok();
    }
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 2 || !(*args)[0].present) return Result::Cme(3);
    if (!p.row) return Result::Cme(3);
    Lock& l = lock(p.row->kind);
    const std::string& code = (*args)[0].text;
    if (!p.puk) {
        switch (Check(l.pin, code)) {
            case Verdict::kRight: l.verified = true; return Result::Ok();
            case Verdict::kBlocked: return Result::Cme(p.row->cme_puk);
            default: return Result::Cme(16);
        }
    }
    // The SIM's own unblocking codes come with a new PIN; the phone's locks take one code.
    const bool sim_code = p.row->kind == LockKind::kSim || p.row->kind == LockKind::kSimPin2;
    std::string new_pin;
    if (sim_code) {
        if (args->size() != 2) return Result::Cme(p.row->cme_puk);
        if (!WellFormed((*args)[1].text)) return Result::Cme(3);
        new_pin = (*args)[1].text;
    }
    switch (Check(l.puk, code)) {
        case Verdict::kRight:
            if (sim_code) l.pin.code = new_pin;
            l.pin.attempts_left = l.pin.max_attempts;
            l.verified = true;
            return Result::Ok();
        case Verdict::kBlocked: return Result::Cme(13);
        default: return Result::Cme(16);
    }
}

Result PhoneEngine::Facility(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) {
        Info("+CLCK: (\"SC\",\"PS\",\"PF\",\"PN\",\"P2\")");
        return Result::Ok();
    }
    if (cmd.form != CommandForm::kSet) return Result::Error();
    auto args = SplitArgs(cmd.args);
    if (!args || args->size() < 2 || args->size() > 4) return Result::Cme(3);
    const LockRow* row = RowOfFacility((*args)[0].text);
    if (!row) return Result::Cme(4);
    auto mode = ArgNumber((*args)[1], 0, 2);
    if (!mode) return Result::Cme(3);
    if (args->size() == 4 && (*args)[3].present && !ArgNumber((*args)[3], 1, 255)) return Result::Cme(3);
    Lock& l = lock(row->kind);
    if (*mode == 2) {
        Info(std::string("+CLCK: ") + (l.enabled ? "1" : "0"));
        return Result::Ok();
    }
    if (args->size() < 3) return Result::Cme(3);
    switch (Check(l.pin, (*args)[2].text)) {
        case Verdict::kRight:
            l.enabled = *mode == 1;
            l.verified = true;
            return Result::Ok();
        case Verdict::kBlocked: return Result::Cme(row->cme_puk);
        default: return Result::Cme(16);
    }
}

Result PhoneEngine::ChangePassword(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) {
        Info("+CPWD: (\"SC\",8),(\"PS\",8),(\"P2\",8)");
        return Result::Ok();
    }
    if (cmd.form != CommandForm::kSet) return Result::Error();
    auto args = SplitArgs(cmd.args);
    if (!args || args->size() != 3) return Result::Cme(3);
    const LockRow* row = RowOfFacility((*args)[0].text);
    if (!row || row->kind == LockKind::kPhoneFirstSim || row->kind == LockKind::kPhoneNetwork)
        return Result::Cme(4);
    Lock& l = lock(row->kind);
    // A SIM refuses to change a PIN whose request is off.
    if (row->kind == LockKind::kSim && !l.enabled) return Result::Cme(3);
    if (!WellFormed((*args)[2].text)) return Result::Cme(3);
    switch (Check(l.pin, (*args)[1].text)) {
        case Verdict::kRight: l.pin.code = (*args)[2].text; return Result::Ok();
        case Verdict::kBlocked: return Result::Cme(row->cme_puk);
        default: return Result::Cme(16);
    }
}

}  // namespace qmx2::hardware::card

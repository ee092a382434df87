// Calls: ATD with the scenario's outcome per number, the data call's online mode (the other end
// sends every byte back) with the "+++" escape, ATH and ATO.
#include "hardware/card/phone_engine.h"

namespace qmx2::hardware::card {
namespace {

// The escape sequence needs a second of silence before the first "+".
constexpr uint64_t kGuardMs = 1000;

bool ValidDialString(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s) {
        const bool ok = (c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#' || c == ',' ||
                        c == 'p' || c == 'P' || c == 'w' || c == 'W';
        if (!ok) return false;
    }
    return true;
}

}  // namespace

std::string PhoneEngine::ConnectText() const {
    static constexpr const char* kSpeeds[] = {"9600", "9600", "14400", "19200", "28800", "38400", "43200"};
    const int w = session_.chsn[0];
    return std::string("CONNECT ") + kSpeeds[w >= 0 && w <= 6 ? w : 0];
}

Result PhoneEngine::Dial(const AtCommand& cmd) {
    std::string number = cmd.args;
    if (!number.empty() && (number[0] == 'T' || number[0] == 't' || number[0] == 'P' || number[0] == 'p'))
        number.erase(0, 1);
    const bool voice = !number.empty() && number.back() == ';';
    if (voice) number.pop_back();
    if (!ValidDialString(number) || in_call_) return Result::Error();
    if (PendingCodeState() != "READY") return SimNotReady(false);
    if (!Registered()) return Result::Text("NO CARRIER");
    const DialOutcome* chosen = nullptr;
    for (const DialOutcome& d : scenario.dial) {
        if (d.number == number) {
            chosen = &d;
            break;
        }
        if (d.number.empty() && !chosen) chosen = &d;
    }
    const std::string outcome = chosen ? chosen->result : "CONNECT";
    const int delay = chosen ? chosen->delay_ms : 2000;
    if (outcome != "CONNECT") return Result::Text(outcome, delay);
    in_call_ = true;
    if (voice) return Result::Ok(delay);
    mode_ = LineMode::kOnline;
    plus_count_ = 0;
    last_online_byte_ = Now() + static_cast<uint64_t>(delay);
    return Result::Text(ConnectText(), delay);
}

Result PhoneEngine::HangUp(const AtCommand& cmd) {
    if (!cmd.args.empty() && cmd.args != "0") return Result::Error();
    in_call_ = false;
    return Result::Ok();
}

Result PhoneEngine::Online(const AtCommand& cmd) {
    if (!cmd.args.empty() && cmd.args != "0") return Result::Error();
    if (!in_call_) return Result::Text("NO CARRIER");
    mode_ = LineMode::kOnline;
    plus_count_ = 0;
    last_online_byte_ = Now();
    return Result::Text(ConnectText());
}

void PhoneEngine::OnlineByte(uint8_t b) {
    const uint64_t now = Now();
    if (b == '+' && (plus_count_ > 0 || now >= last_online_byte_ + kGuardMs)) {
        ++plus_count_;
    } else {
        plus_count_ = 0;
    }
    last_online_byte_ = now;
    Emit(std::string_view(reinterpret_cast<const char*>(&b), 1), now);
    if (plus_count_ == 3) {
        // Back in command mode with the call held; the answer follows the guard time after.
        plus_count_ = 0;
        mode_ = LineMode::kCommand;
        reply_.clear();
        Final(Result::Ok());
        Emit(reply_, now + kGuardMs);
    }
}

void PhoneEngine::RemoteHangUp() {
    if (!in_call_) return;
    in_call_ = false;
    if (mode_ == LineMode::kOnline) mode_ = LineMode::kCommand;
    reply_.clear();
    Final(Result::Text("NO CARRIER"));
    Emit(reply_, Now());
}

}  // namespace qmx2::hardware::card

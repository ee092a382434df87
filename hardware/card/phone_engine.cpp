// The phone's byte handling: command lines with echo, the command table, result codes, the
// timed output queue with the scenario's delays and faults.
#include "hardware/card/phone_engine.h"

#include "platform/clock.h"

namespace qmx2::hardware::card {
namespace {

constexpr uint8_t kCr = 13, kLf = 10, kBackspace = 8;
// Longer command lines are not stored; the line ends in ERROR, as on a real phone whose
// command buffer overflowed.
constexpr size_t kMaxLine = 1024;

// The numbers of the call results in numeric mode (ATV0).
int NumericCode(const std::string& result) {
    static constexpr std::pair<const char*, int> kCodes[] = {
        {"CONNECT", 1}, {"NO CARRIER", 3}, {"NO DIALTONE", 6}, {"BUSY", 7}, {"NO ANSWER", 8}};
    for (const auto& [text, code] : kCodes)
        if (result.rfind(text, 0) == 0) return code;
    return 4;
}

}  // namespace

const PhoneEngine::Entry PhoneEngine::kCommands[] = {
    {"E", &PhoneEngine::BasicSetting, false},
    {"V", &PhoneEngine::BasicSetting, false},
    {"Q", &PhoneEngine::BasicSetting, false},
    {"X", &PhoneEngine::BasicSetting, false},
    {"L", &PhoneEngine::BasicSetting, false},
    {"M", &PhoneEngine::BasicSetting, false},
    {"&C", &PhoneEngine::BasicSetting, false},
    {"&D", &PhoneEngine::BasicSetting, false},
    {"&K", &PhoneEngine::BasicSetting, false},
    {"&W", &PhoneEngine::BasicSetting, false},
    {"Z", &PhoneEngine::Reset, false},
    {"&F", &PhoneEngine::Reset, false},
    {"I", &PhoneEngine::Identify, false},
    {"S", &PhoneEngine::SRegister, false},
    {"D", &PhoneEngine::Dial, false},
    {"H", &PhoneEngine::HangUp, false},
    {"O", &PhoneEngine::Online, false},
    {"+CGMI", &PhoneEngine::IdentityLine, false},
    {"+GMI", &PhoneEngine::IdentityLine, false},
    {"+CGMM", &PhoneEngine::IdentityLine, false},
    {"+GMM", &PhoneEngine::IdentityLine, false},
    {"+CGMR", &PhoneEngine::IdentityLine, false},
    {"+GMR", &PhoneEngine::IdentityLine, false},
    {"+CGSN", &PhoneEngine::IdentityLine, false},
    {"+GSN", &PhoneEngine::IdentityLine, false},
    {"+CIMI", &PhoneEngine::IdentityLine, true},
    {"+CMEE", &PhoneEngine::ErrorMode, false},
    {"+CFUN", &PhoneEngine::Functionality, false},
    {"+CSCS", &PhoneEngine::Charset, false},
    {"+CBST", &PhoneEngine::BearerService, false},
    {"+CHSN", &PhoneEngine::HighSpeedData, false},
    {"+CPIN", &PhoneEngine::Pin, false},
    {"+CLCK", &PhoneEngine::Facility, true},
    {"+CPWD", &PhoneEngine::ChangePassword, true},
    {"+CMGF", &PhoneEngine::MessageFormat, false},
    {"+CNMI", &PhoneEngine::NewMessageIndication, false},
    {"+CPMS", &PhoneEngine::PreferredStorage, true},
    {"+CMGL", &PhoneEngine::ListMessages, true},
    {"+CMGR", &PhoneEngine::ReadMessage, true},
    {"+CMGS", &PhoneEngine::SendMessage, true},
    {"+CMGW", &PhoneEngine::WriteMessage, true},
    {"+CMGD", &PhoneEngine::DeleteMessage, true},
    {"+CSCA", &PhoneEngine::ServiceCentre, true},
    {"+CSMP", &PhoneEngine::TextParameters, false},
    {"+CSAS", &PhoneEngine::SaveSettings, true},
    {"+CPBS", &PhoneEngine::BookStorage, true},
    {"+CPBR", &PhoneEngine::BookRead, true},
    {"+CPBW", &PhoneEngine::BookWrite, true},
    {"+COPS", &PhoneEngine::OperatorSelection, false},
    {"+CSQ", &PhoneEngine::SignalQuality, false},
    {"+CREG", &PhoneEngine::Registration, false},
};

PhoneEngine::PhoneEngine(platform::Clock& clock, CardScenario s)
    : scenario(std::move(s)), clock_(clock) {
    SetPowered(true);
}

uint64_t PhoneEngine::Now() const { return clock_.TickMs(); }

void PhoneEngine::SetPowered(bool on) {
    powered_ = on;
    out_.clear();
    session_ = Session{};
    session_.cmee = traits().cmee_at_start;
    session_.cops_format = traits().cops_format_at_start;
    session_.csmp = sim().sms_parameters;
    session_.cops_mode = scenario.network.automatic ? 0 : 1;
    for (Lock& l : sim().locks) l.verified = false;
    mode_ = LineMode::kCommand;
    line_.clear();
    in_line_ = saw_a_ = overlong_ = false;
    in_call_ = false;
    commands = 0;
    stall_until_ = 0;
    stalled_for_good_ = false;
    ignored_ats_left_ = on ? scenario.delays.ignored_ats : 0;
    if (on) RegisterAutomatically();
}

void PhoneEngine::Receive(std::span<const uint8_t> bytes) {
    if (!powered_) return;
    for (uint8_t b : bytes) {
        switch (mode_) {
            case LineMode::kCommand: CommandByte(b); break;
            case LineMode::kTextEntry: TextEntryByte(b); break;
            case LineMode::kOnline: OnlineByte(b); break;
        }
    }
}

void PhoneEngine::CommandByte(uint8_t b) {
    const bool booting = ignored_ats_left_ > 0;
    if (session_.echo && !booting) Emit(std::string_view(reinterpret_cast<const char*>(&b), 1), Now());
    if (!in_line_) {
        // Everything before "AT" (or "A/") is line noise: a bare CR, LF, garbage.
        const char c = static_cast<char>(b);
        if (saw_a_ && (c == 'T' || c == 't')) {
            in_line_ = true;
            line_.clear();
            overlong_ = false;
        } else if (saw_a_ && c == '/') {
            saw_a_ = false;
            if (booting) {
                --ignored_ats_left_;
                return;
            }
            RunLine(last_line_);
            return;
        }
        saw_a_ = (c == 'A' || c == 'a');
        return;
    }
    if (b == kCr) {
        in_line_ = saw_a_ = false;
        if (booting) {
            --ignored_ats_left_;
            return;
        }
        if (overlong_) {
            reply_.clear();
            Final(Result::Error());
            Reply(reply_);
            return;
        }
        last_line_ = line_;
        RunLine(line_);
        return;
    }
    if (b == kBackspace) {
        if (!line_.empty()) line_.pop_back();
        return;
    }
    if (b == kLf) return;
    if (line_.size() >= kMaxLine) {
        overlong_ = true;
        return;
    }
    line_.push_back(static_cast<char>(b));
}

void PhoneEngine::RunLine(std::string_view line) {
    reply_.clear();
    ++commands;
    const int stall_after = scenario.faults.stall_after_commands;
    if (stall_after >= 0 && commands > static_cast<uint64_t>(stall_after) && stall_until_ == 0 &&
        !stalled_for_good_) {
        if (scenario.faults.stall_ms > 0)
            stall_until_ = Now() + static_cast<uint64_t>(scenario.faults.stall_ms);
        else
            stalled_for_good_ = true;
    }
    auto cmds = SplitCommandLine(line);
    Result result = Result::Ok();
    if (!cmds) {
        result = Result::Error();
    } else {
        for (const AtCommand& cmd : *cmds) {
            RunCommand(cmd, result);
            if (result.kind != Result::kOk) break;
        }
    }
    if (result.kind != Result::kPending) Final(result);
    Reply(reply_, result.delay_ms);
}

namespace {

// The command as it was written, for matching the scenario's error commands.
std::string CommandText(const AtCommand& cmd) {
    switch (cmd.form) {
        case CommandForm::kRead: return "AT" + cmd.name + "?";
        case CommandForm::kTest: return "AT" + cmd.name + "=?";
        case CommandForm::kSet: return "AT" + cmd.name + "=" + cmd.args;
        case CommandForm::kExecute: break;
    }
    return "AT" + cmd.name + cmd.args;
}

}  // namespace

void PhoneEngine::RunCommand(const AtCommand& cmd, Result& result) {
    const std::string text = CommandText(cmd);
    for (const std::string& bad : scenario.faults.error_commands) {
        if (StartsWithNoCase(text, bad) || StartsWithNoCase(text.substr(2), bad)) {
            result = Result::Error();
            return;
        }
    }
    for (const Entry& e : kCommands) {
        if (cmd.name != e.name) continue;
        if (e.needs_sim && PendingCodeState() != "READY") {
            result = SimNotReady(cmd.name.rfind("+CM", 0) == 0 || cmd.name == "+CSCA" ||
                                 cmd.name == "+CSAS" || cmd.name == "+CPMS");
            return;
        }
        const int delay = result.delay_ms;
        result = (this->*e.handler)(cmd);
        result.delay_ms += delay;
        return;
    }
    result = Result::Error();
}

void PhoneEngine::Info(std::string_view line) {
    if (session_.verbose) reply_ += "\r\n";
    reply_ += line;
    reply_ += "\r\n";
}

std::string PhoneEngine::ErrorLine(const Result& r) const {
    if (r.kind == Result::kCms) return "+CMS ERROR: " + std::to_string(r.code);
    if (r.kind == Result::kCme) {
        if (session_.cmee == 1) return "+CME ERROR: " + std::to_string(r.code);
        if (session_.cmee == 2) {
            const char* t = CmeText(r.code);
            return std::string("+CME ERROR: ") + (t ? t : std::to_string(r.code).c_str());
        }
    }
    return "ERROR";
}

void PhoneEngine::Final(const Result& r) {
    if (session_.quiet) return;
    std::string line;
    int number = 0;
    switch (r.kind) {
        case Result::kOk: line = "OK"; number = 0; break;
        case Result::kText: line = r.text; number = NumericCode(r.text); break;
        case Result::kPending: return;
        default:
            line = ErrorLine(r);
            number = 4;
            if (line != "ERROR") {
                // Extended error lines are information text in numeric mode too.
                reply_ += session_.verbose ? "\r\n" + line + "\r\n" : line + "\r\n";
                return;
            }
    }
    if (session_.verbose)
        reply_ += "\r\n" + line + "\r\n";
    else
        reply_ += std::to_string(number) + "\r";
}

void PhoneEngine::Reply(std::string_view bytes, int extra_delay_ms) {
    const int delay = scenario.delays.reply_ms + extra_delay_ms;
    Emit(bytes, Now() + static_cast<uint64_t>(delay > 0 ? delay : 0));
}

void PhoneEngine::Unsolicited(std::string_view line) {
    std::string text = "\r\n" + std::string(line) + "\r\n";
    Emit(text, Now());
}

bool PhoneEngine::Stalled(uint64_t tick) const {
    return stalled_for_good_ || (stall_until_ != 0 && tick < stall_until_);
}

void PhoneEngine::Emit(std::string_view bytes, uint64_t tick) {
    if (bytes.empty() || Stalled(tick)) return;
    tick = std::max(tick, last_tick_);
    last_tick_ = tick;
    const Faults& f = scenario.faults;
    for (char c : bytes) {
        ++output_count_;
        if (f.drop_every > 0 && output_count_ % static_cast<uint64_t>(f.drop_every) == 0) continue;
        uint8_t b = static_cast<uint8_t>(c);
        if (f.garble_every > 0 && output_count_ % static_cast<uint64_t>(f.garble_every) == 0)
            b ^= 0x20;
        out_.push_back({b, tick});
    }
    if (listener_) listener_();
}

std::optional<uint64_t> PhoneEngine::NextByteTick() const {
    if (out_.empty()) return std::nullopt;
    return out_.front().tick;
}

size_t PhoneEngine::Transmit(std::span<uint8_t> out, uint64_t now_ms) {
    size_t n = 0;
    while (n < out.size() && !out_.empty() && out_.front().tick <= now_ms) {
        out[n++] = out_.front().byte;
        out_.pop_front();
    }
    return n;
}

}  // namespace qmx2::hardware::card

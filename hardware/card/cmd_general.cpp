// Commands about the phone itself: V.25ter settings, identification, S registers, error mode,
// functionality, character set and the data-call bearer.
#include <algorithm>

#include "hardware/card/phone_engine.h"

namespace qmx2::hardware::card {
namespace {

// Parameters of a set command as numbers, each within its range; nothing when one is missing
// where required, or out of range. Missing trailing parameters keep `values`.
template <size_t N>
bool SetNumbers(const std::string& args, const std::array<std::pair<int, int>, N>& ranges,
                size_t required, std::array<int, N>& values) {
    auto parts = SplitArgs(args);
    if (!parts || parts->size() > N || parts->size() < required) return false;
    std::array<int, N> next = values;
    for (size_t i = 0; i < parts->size(); ++i) {
        if (!(*parts)[i].present) {
            if (i < required) return false;
            continue;
        }
        auto v = ArgNumber((*parts)[i], ranges[i].first, ranges[i].second);
        if (!v) return false;
        next[i] = *v;
    }
    values = next;
    return true;
}

template <size_t N>
std::string Joined(const std::string& prefix, const std::array<int, N>& values) {
    std::string s = prefix;
    for (size_t i = 0; i < N; ++i) s += (i ? "," : "") + std::to_string(values[i]);
    return s;
}

// Bearer speeds of +CBST that the card offers: 9600 bit/s modem and V.110/V.120 ISDN, and the
// high-speed ones that +CHSN builds on.
constexpr int kBearerSpeeds[] = {0, 4, 6, 7, 12, 14, 39, 43, 51, 65, 66, 68, 70, 71, 75, 79, 80, 81, 82, 83, 84};

}  // namespace

Result PhoneEngine::BasicSetting(const AtCommand& cmd) {
    if (cmd.args.size() > 1) return Result::Error();
    const int v = cmd.args.empty() ? 0 : cmd.args[0] - '0';
    if (cmd.name == "E" || cmd.name == "V" || cmd.name == "Q") {
        if (v > 1) return Result::Error();
        if (cmd.name == "E") session_.echo = v == 1;
        if (cmd.name == "V") session_.verbose = v == 1;
        if (cmd.name == "Q") session_.quiet = v == 1;
    }
    return Result::Ok();
}

Result PhoneEngine::Reset(const AtCommand& cmd) {
    if (!cmd.args.empty() && cmd.args != "0") return Result::Error();
    const bool book_is_sim = session_.book_is_sim;
    const int cops_mode = session_.cops_mode;
    session_ = Session{};
    session_.cmee = traits().cmee_at_start;
    session_.cops_format = traits().cops_format_at_start;
    session_.csmp = sim().sms_parameters;
    session_.book_is_sim = book_is_sim;
    session_.cops_mode = cops_mode;
    return Result::Ok();
}

Result PhoneEngine::Identify(const AtCommand& cmd) {
    const Identity& id = scenario.identity;
    if (!cmd.args.empty() && cmd.args != "0") return Result::Ok();
    if (traits().ati_detailed) {
        Info("Manufacturer: " + id.manufacturer + "\r\nModel: " + id.model + "\r\nRevision: " +
             id.revision + "\r\nIMEI: " + id.serial);
    } else {
        Info(id.manufacturer + " " + id.model);
    }
    return Result::Ok();
}

Result PhoneEngine::IdentityLine(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) return Result::Ok();
    if (cmd.form != CommandForm::kExecute) return Result::Error();
    const Identity& id = scenario.identity;
    const std::string& n = cmd.name;
    if (n == "+CGMI" || n == "+GMI") Info(id.manufacturer);
    else if (n == "+CGMM" || n == "+GMM") Info(id.model);
    else if (n == "+CGMR" || n == "+GMR") Info(id.revision);
    else if (n == "+CGSN" || n == "+GSN") Info(id.serial);
    else Info(sim().imsi);
    return Result::Ok();
}

Result PhoneEngine::SRegister(const AtCommand& cmd) {
    const size_t eq = cmd.args.find('=');
    const std::string number = cmd.args.substr(0, eq);
    if (number.empty() || number.size() > 2) return Result::Error();
    const int n = std::atoi(number.c_str());
    if (n >= static_cast<int>(session_.s_registers.size())) return Result::Error();
    if (cmd.form == CommandForm::kRead) {
        char text[8];
        std::snprintf(text, sizeof text, "%03d", session_.s_registers[static_cast<size_t>(n)]);
        Info(text);
        return Result::Ok();
    }
    if (cmd.form != CommandForm::kSet) return Result::Ok();
    const std::string value = cmd.args.substr(eq + 1);
    if (value.size() > 3) return Result::Error();
    const int v = value.empty() ? 0 : std::atoi(value.c_str());
    if (v > 255) return Result::Error();
    session_.s_registers[static_cast<size_t>(n)] = v;
    return Result::Ok();
}

Result PhoneEngine::ErrorMode(const AtCommand& cmd) {
    switch (cmd.form) {
        case CommandForm::kRead: Info("+CMEE: " + std::to_string(session_.cmee)); return Result::Ok();
        case CommandForm::kTest: Info("+CMEE: (0-2)"); return Result::Ok();
        case CommandForm::kExecute: session_.cmee = 0; return Result::Ok();
        case CommandForm::kSet: {
            std::array<int, 1> v{0};
            if (!SetNumbers<1>(cmd.args, {{{0, 2}}}, 1, v)) return Result::Cme(3);
            session_.cmee = v[0];
            return Result::Ok();
        }
    }
    return Result::Error();
}

Result PhoneEngine::Functionality(const AtCommand& cmd) {
    switch (cmd.form) {
        case CommandForm::kRead: Info("+CFUN: " + std::to_string(session_.cfun)); return Result::Ok();
        case CommandForm::kTest: Info("+CFUN: (0,1,4),(0,1)"); return Result::Ok();
        case CommandForm::kExecute: return Result::Error();
        case CommandForm::kSet: break;
    }
    auto parts = SplitArgs(cmd.args);
    if (!parts || parts->empty() || parts->size() > 2) return Result::Cme(3);
    auto fun = ArgNumber((*parts)[0], 0, 4);
    if (!fun || *fun == 2 || *fun == 3) return Result::Cme(3);
    int reset = 0;
    if (parts->size() == 2) {
        auto r = ArgNumber((*parts)[1], 0, 1);
        if (!r) return Result::Cme(3);
        reset = *r;
    }
    if (reset == 1) {
        // A reset restarts the SIM: every code must be given again.
        for (Lock& l : sim().locks) l.verified = false;
    }
    session_.cfun = *fun;
    if (*fun == 1) RegisterAutomatically();
    else scenario.network.current.clear();
    return Result::Ok();
}

Result PhoneEngine::Charset(const AtCommand& cmd) {
    // The card keeps texts as single bytes whatever the set: "8859-1" is what the system uses,
    // and "GSM" and "IRA" are accepted as most modems accept them.
    // A zoo modem offers its own list instead (most of today's have no "8859-1").
    static const std::vector<std::string> kSets = {"GSM", "IRA", "8859-1"};
    const std::vector<std::string>& sets =
        scenario.quirks.charsets.empty() ? kSets : scenario.quirks.charsets;
    switch (cmd.form) {
        case CommandForm::kRead: Info("+CSCS: \"" + session_.charset + "\""); return Result::Ok();
        case CommandForm::kTest: {
            std::string list;
            for (const std::string& s : sets) list += (list.empty() ? "\"" : ",\"") + s + "\"";
            Info("+CSCS: (" + list + ")");
            return Result::Ok();
        }
        case CommandForm::kExecute: return Result::Error();
        case CommandForm::kSet: break;
    }
    auto parts = SplitArgs(cmd.args);
    if (!parts || parts->size() != 1) return Result::Cme(3);
    const std::string set = Upper((*parts)[0].text);
    for (const std::string& s : sets) {
        if (set == Upper(s)) {
            session_.charset = s;
            return Result::Ok();
        }
    }
    return Result::Cme(4);
}

Result PhoneEngine::BearerService(const AtCommand& cmd) {
    switch (cmd.form) {
        case CommandForm::kRead: Info(Joined("+CBST: ", session_.cbst)); return Result::Ok();
        case CommandForm::kTest:
            Info("+CBST: (0,4,6,7,12,14,39,43,51,65,66,68,70,71,75,79,80,81,82,83,84),(0,1),(0-3)");
            return Result::Ok();
        case CommandForm::kExecute: return Result::Ok();
        case CommandForm::kSet: break;
    }
    std::array<int, 3> v = session_.cbst;
    if (!SetNumbers<3>(cmd.args, {{{0, 134}, {0, 1}, {0, 3}}}, 1, v)) return Result::Cme(3);
    if (std::find(std::begin(kBearerSpeeds), std::end(kBearerSpeeds), v[0]) == std::end(kBearerSpeeds))
        return Result::Cme(4);
    session_.cbst = v;
    return Result::Ok();
}

Result PhoneEngine::HighSpeedData(const AtCommand& cmd) {
    switch (cmd.form) {
        case CommandForm::kRead: Info(Joined("+CHSN: ", session_.chsn)); return Result::Ok();
        case CommandForm::kTest: Info("+CHSN: (0-4,6),(0-4),(0-4),(0-15)"); return Result::Ok();
        case CommandForm::kExecute: return Result::Ok();
        case CommandForm::kSet: break;
    }
    std::array<int, 4> v = session_.chsn;
    if (!SetNumbers<4>(cmd.args, {{{0, 6}, {0, 4}, {0, 4}, {0, 15}}}, 1, v) || v[0] == 5)
        return Result::Cme(3);
    session_.chsn = v;
    return Result::Ok();
}

}  // namespace qmx2::hardware::card

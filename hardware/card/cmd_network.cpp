// The network: operator selection and search (+COPS), registration (+CREG) and signal (+CSQ).
#include "hardware/card/phone_engine.h"

namespace qmx2::hardware::card {

bool PhoneEngine::Registered() const {
    return powered_ && session_.cfun == 1 && session_.cops_mode != 2 &&
           !scenario.network.current.empty() && PendingCodeState() == "READY";
}

const Operator* PhoneEngine::FindOperator(std::string_view code) const {
    for (const Operator& o : scenario.network.in_reach)
        if (o.code == code) return &o;
    return nullptr;
}

void PhoneEngine::RegisterAutomatically() {
    NetworkState& n = scenario.network;
    const Operator* now = FindOperator(n.current);
    if (now && !now->forbidden) return;
    n.current.clear();
    for (const Operator& o : n.in_reach) {
        if (!o.forbidden) {
            n.current = o.code;
            return;
        }
    }
}

Result PhoneEngine::OperatorSelection(const AtCommand& cmd) {
    NetworkState& n = scenario.network;
    const DialectTraits& d = traits();
    if (cmd.form == CommandForm::kRead) {
        std::string line = "+COPS: " + std::to_string(session_.cops_mode);
        const Operator* o = Registered() ? FindOperator(n.current) : nullptr;
        const int f = session_.cops_format;
        if (o) {
            const std::string& name = f == 0 ? o->long_name : f == 1 ? o->short_name : o->code;
            const bool quote = f != 2 || d.cops_numeric_quoted;
            line += "," + std::to_string(f) + "," + (quote ? "\"" + name + "\"" : name);
            if (d.cops_access_technology) line += ",0";
        } else if (d.cops_zeros_unregistered && f == 2) {
            line += ",2,00000";
        }
        Info(line);
        return Result::Ok();
    }
    if (cmd.form == CommandForm::kTest) {
        if (session_.cfun != 1) return Result::Cme(30);
        std::string list;
        for (const Operator& o : n.in_reach) {
            const int stat = o.forbidden ? 3 : (Registered() && o.code == n.current) ? 2 : 1;
            if (!list.empty()) list += ",";
            if (d.cops_list_flat)
                list += std::to_string(stat) + ",,," + o.code;
            else
                list += "(" + std::to_string(stat) + ",\"" + o.long_name + "\",\"" + o.short_name +
                        "\",\"" + o.code + "\",0)";
        }
        Info("+COPS: " + list + ",," + d.cops_list_tail);
        return Result::Ok(n.search_ms);
    }
    if (cmd.form != CommandForm::kSet) return Result::Error();
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 4) return Result::Cme(3);
    auto mode = ArgNumber((*args)[0], 0, 4);
    if (!mode) return Result::Cme(3);
    if (args->size() >= 2 && (*args)[1].present) {
        auto format = ArgNumber((*args)[1], 0, 2);
        if (!format) return Result::Cme(3);
        session_.cops_format = *format;
    }
    if (*mode == 3) return Result::Ok();
    if (PendingCodeState() != "READY") return SimNotReady(false);
    if (*mode == 2) {
        session_.cops_mode = 2;
        return Result::Ok();
    }
    if (*mode == 0) {
        session_.cops_mode = 0;
        RegisterAutomatically();
        if (n.current.empty()) return Result::Cme(30);
        return Result::Ok(n.register_ms);
    }
    if (args->size() < 3 || !(*args)[2].present) return Result::Cme(3);
    const std::string& wanted = (*args)[2].text;
    const Operator* found = nullptr;
    for (const Operator& o : n.in_reach)
        if (o.code == wanted || o.long_name == wanted || o.short_name == wanted) found = &o;
    if (!found || found->forbidden) {
        if (*mode == 4) {
            session_.cops_mode = 0;
            RegisterAutomatically();
            return n.current.empty() ? Result::Cme(30) : Result::Ok(n.register_ms);
        }
        return Result::Cme(found ? 32 : 30);
    }
    session_.cops_mode = 1;
    n.current = found->code;
    return Result::Ok(n.register_ms);
}

Result PhoneEngine::SignalQuality(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) {
        Info("+CSQ: (0-31,99),(0-7,99)");
        return Result::Ok();
    }
    if (cmd.form != CommandForm::kExecute) return Result::Error();
    const NetworkState& n = scenario.network;
    const bool radio = session_.cfun == 1 && !n.in_reach.empty();
    Info("+CSQ: " + std::to_string(radio ? n.rssi : 99) + "," + std::to_string(radio ? n.ber : 99));
    return Result::Ok();
}

Result PhoneEngine::Registration(const AtCommand& cmd) {
    switch (cmd.form) {
        case CommandForm::kRead: {
            const int stat = Registered() ? 1 : (session_.cfun == 1 && scenario.sim.inserted) ? 2 : 0;
            Info("+CREG: " + std::to_string(session_.creg) + "," + std::to_string(stat));
            return Result::Ok();
        }
        case CommandForm::kTest: Info("+CREG: (0,1)"); return Result::Ok();
        case CommandForm::kExecute: session_.creg = 0; return Result::Ok();
        case CommandForm::kSet: break;
    }
    auto args = SplitArgs(cmd.args);
    if (!args || args->size() != 1) return Result::Cme(3);
    auto v = ArgNumber((*args)[0], 0, 1);
    if (!v) return Result::Cme(3);
    session_.creg = *v;
    return Result::Ok();
}

void PhoneEngine::SetSignal(int rssi) {
    scenario.network.rssi = rssi < 0 ? 0 : rssi > 31 && rssi != 99 ? 31 : rssi;
}

bool PhoneEngine::SetOperator(const std::string& code) {
    const Operator* o = FindOperator(code);
    if (!o || o->forbidden) return false;
    scenario.network.current = code;
    if (powered_ && session_.creg == 1 && mode_ == LineMode::kCommand)
        Unsolicited(Registered() ? "+CREG: 1" : "+CREG: 2");
    return true;
}

}  // namespace qmx2::hardware::card

// Short messages in text mode: formats, storage, listing, reading, deleting, the message centre
// and its parameters, and messages arriving from the network.
#include <cstdio>

#include "hardware/card/phone_engine.h"
#include "platform/clock.h"

namespace qmx2::hardware::card {
namespace {

constexpr const char* kStatuses[] = {"REC UNREAD", "REC READ", "STO UNSENT", "STO SENT"};

bool IsReceived(const StoredMessage& m) { return m.status.rfind("REC", 0) == 0; }

}  // namespace

int PhoneEngine::FirstFreeMessage() const {
    const auto& m = scenario.sim.messages;
    for (size_t i = 0; i < m.size(); ++i)
        if (!m[i]) return static_cast<int>(i) + scenario.sim.first_message_index;
    return -1;
}

int PhoneEngine::UsedMessages() const {
    int n = 0;
    for (const auto& m : scenario.sim.messages) n += m ? 1 : 0;
    return n;
}

std::string PhoneEngine::MessageHeader(int index, const StoredMessage& m, bool listing) const {
    std::string h = listing ? "+CMGL: " + std::to_string(index) + "," : "+CMGR: ";
    h += "\"" + m.status + "\",\"" + m.number + "\",";
    if (IsReceived(m)) h += ",\"" + m.stamp + "\"";
    else if (listing) h += ",";
    return h;
}

Result PhoneEngine::MessageFormat(const AtCommand& cmd) {
    // Text mode only: the card never learnt PDU mode.
    switch (cmd.form) {
        case CommandForm::kRead: Info("+CMGF: 1"); return Result::Ok();
        case CommandForm::kTest: Info("+CMGF: (1)"); return Result::Ok();
        case CommandForm::kExecute: return Result::Cms(303);
        case CommandForm::kSet: break;
    }
    auto args = SplitArgs(cmd.args);
    if (!args || args->size() != 1) return Result::Cms(302);
    auto v = ArgNumber((*args)[0], 0, 1);
    if (!v) return Result::Cms(302);
    return *v == 1 ? Result::Ok() : Result::Cms(303);
}

Result PhoneEngine::NewMessageIndication(const AtCommand& cmd) {
    static constexpr std::array<std::pair<int, int>, 5> kRanges{{{0, 2}, {0, 1}, {0, 0}, {0, 0}, {0, 1}}};
    auto& c = session_.cnmi;
    switch (cmd.form) {
        case CommandForm::kRead:
            Info("+CNMI: " + std::to_string(c[0]) + "," + std::to_string(c[1]) + "," +
                 std::to_string(c[2]) + "," + std::to_string(c[3]) + "," + std::to_string(c[4]));
            return Result::Ok();
        case CommandForm::kTest: Info("+CNMI: (0-2),(0,1),(0),(0),(0,1)"); return Result::Ok();
        case CommandForm::kExecute: return Result::Ok();
        case CommandForm::kSet: break;
    }
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 5) return Result::Cms(302);
    auto next = c;
    for (size_t i = 0; i < args->size(); ++i) {
        if (!(*args)[i].present) continue;
        auto v = ArgNumber((*args)[i], kRanges[i].first, kRanges[i].second);
        if (!v) return Result::Cms(303);
        next[i] = *v;
    }
    c = next;
    return Result::Ok();
}

Result PhoneEngine::PreferredStorage(const AtCommand& cmd) {
    const std::string u = std::to_string(UsedMessages());
    const std::string t = std::to_string(sim().messages.size());
    switch (cmd.form) {
        case CommandForm::kRead:
            Info("+CPMS: \"SM\"," + u + "," + t + ",\"SM\"," + u + "," + t + ",\"SM\"," + u + "," + t);
            return Result::Ok();
        case CommandForm::kTest: Info("+CPMS: (\"SM\"),(\"SM\"),(\"SM\")"); return Result::Ok();
        case CommandForm::kExecute: return Result::Cms(302);
        case CommandForm::kSet: break;
    }
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 3) return Result::Cms(302);
    for (const AtArg& a : *args)
        if (!a.present || Upper(a.text) != "SM") return Result::Cms(302);
    std::string line = "+CPMS: ";
    for (int i = 0; i < 3; ++i) line += (i ? "," : "") + u + "," + t;
    Info(line);
    return Result::Ok();
}

Result PhoneEngine::ListMessages(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) {
        Info("+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")");
        return Result::Ok();
    }
    if (cmd.form == CommandForm::kRead) return Result::Error();
    std::string wanted = "REC UNREAD";
    if (cmd.form == CommandForm::kSet) {
        auto args = SplitArgs(cmd.args);
        if (!args || args->size() != 1) return Result::Cms(302);
        wanted = Upper((*args)[0].text);
        bool known = wanted == "ALL";
        for (const char* s : kStatuses) known = known || wanted == s;
        if (!known) return Result::Cms(302);
    }
    // Entries follow each other without blank lines; one blank line ends the listing.
    bool first = true;
    auto& messages = sim().messages;
    for (size_t i = 0; i < messages.size(); ++i) {
        if (!messages[i]) continue;
        StoredMessage& m = *messages[i];
        if (wanted != "ALL" && m.status != wanted) continue;
        const std::string entry =
            MessageHeader(static_cast<int>(i) + sim().first_message_index, m, true) + "\r\n" + m.text;
        if (first) Info(entry);
        else reply_ += entry + "\r\n";
        first = false;
        if (m.status == "REC UNREAD") m.status = "REC READ";
    }
    return Result::Ok();
}

Result PhoneEngine::ReadMessage(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) return Result::Ok();
    if (cmd.form != CommandForm::kSet) return Result::Error();
    auto args = SplitArgs(cmd.args);
    if (!args || args->size() != 1) return Result::Cms(302);
    auto index = ArgNumber((*args)[0], sim().first_message_index, sim().last_message_index());
    if (!index) return Result::Cms(321);
    auto& slot = sim().message_at(*index);
    if (!slot) return Result::Cms(321);
    Info(MessageHeader(*index, *slot, false) + "\r\n" + slot->text);
    if (slot->status == "REC UNREAD") slot->status = "REC READ";
    return Result::Ok();
}

Result PhoneEngine::DeleteMessage(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) {
        Info("+CMGD: (" + std::to_string(sim().first_message_index) + "-" +
             std::to_string(sim().last_message_index()) + "),(0-4)");
        return Result::Ok();
    }
    if (cmd.form != CommandForm::kSet) return Result::Error();
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 2) return Result::Cms(302);
    int flag = 0;
    if (args->size() == 2 && (*args)[1].present) {
        auto f = ArgNumber((*args)[1], 0, 4);
        if (!f) return Result::Cms(302);
        flag = *f;
    }
    if (flag == 0) {
        auto index = ArgNumber((*args)[0], sim().first_message_index, sim().last_message_index());
        if (!index) return Result::Cms(321);
        sim().message_at(*index).reset();
        return Result::Ok();
    }
    for (auto& m : sim().messages) {
        if (!m) continue;
        const std::string& s = m->status;
        const bool drop = flag == 4 || s == "REC READ" || (flag >= 2 && s == "STO SENT") ||
                          (flag >= 3 && s == "STO UNSENT");
        if (drop) m.reset();
    }
    return Result::Ok();
}

Result PhoneEngine::ServiceCentre(const AtCommand& cmd) {
    const bool own = !session_.centre.empty();
    switch (cmd.form) {
        case CommandForm::kRead:
            Info("+CSCA: \"" + (own ? session_.centre : sim().centre) + "\"," +
                 std::to_string(own ? session_.centre_type : sim().centre_type));
            return Result::Ok();
        case CommandForm::kTest: return Result::Ok();
        case CommandForm::kExecute: return Result::Cms(302);
        case CommandForm::kSet: break;
    }
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 2) return Result::Cms(302);
    const std::string& number = (*args)[0].text;
    int type = !number.empty() && number[0] == '+' ? 145 : 129;
    if (args->size() == 2 && (*args)[1].present) {
        auto t = ArgNumber((*args)[1], 128, 255);
        if (!t) return Result::Cms(302);
        type = *t;
    }
    // An empty centre hands sending back to the centre stored on the SIM.
    if (!number.empty() && !IsMessageNumber(number)) return Result::Cms(302);
    session_.centre = number;
    session_.centre_type = type;
    return Result::Ok();
}

Result PhoneEngine::TextParameters(const AtCommand& cmd) {
    auto& p = session_.csmp;
    switch (cmd.form) {
        case CommandForm::kRead:
            Info("+CSMP: " + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," +
                 std::to_string(p[2]) + "," + std::to_string(p[3]));
            return Result::Ok();
        case CommandForm::kTest: return Result::Ok();
        case CommandForm::kExecute: return Result::Ok();
        case CommandForm::kSet: break;
    }
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 4) return Result::Cms(302);
    auto next = p;
    for (size_t i = 0; i < args->size(); ++i) {
        if (!(*args)[i].present) continue;
        auto v = ArgNumber((*args)[i], 0, 255);
        if (!v) return Result::Cms(302);
        next[i] = *v;
    }
    p = next;
    return Result::Ok();
}

Result PhoneEngine::SaveSettings(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) {
        Info("+CSAS: (0-1)");
        return Result::Ok();
    }
    if (cmd.form == CommandForm::kSet) {
        auto args = SplitArgs(cmd.args);
        if (!args || args->size() != 1 || !ArgNumber((*args)[0], 0, 1)) return Result::Cms(302);
    } else if (cmd.form != CommandForm::kExecute) {
        return Result::Error();
    }
    if (!session_.centre.empty()) {
        sim().centre = session_.centre;
        sim().centre_type = session_.centre_type;
    }
    sim().sms_parameters = session_.csmp;
    return Result::Ok();
}

bool PhoneEngine::DeliverMessage(const std::string& number, const std::string& text) {
    const int index = FirstFreeMessage();
    if (index < 0 || !sim().inserted) return false;
    const platform::WallTime t = clock_.LocalTime();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d,%02d:%02d:%02d+00", t.year % 100, t.month,
                  t.day, t.hour, t.minute, t.second);
    sim().message_at(index) =
        StoredMessage{"REC UNREAD", number, number.rfind('+', 0) == 0 ? 145 : 129, stamp, text};
    if (powered_ && session_.cnmi[0] >= 1 && session_.cnmi[1] == 1 && mode_ == LineMode::kCommand)
        Unsolicited("+CMTI: \"SM\"," + std::to_string(index));
    return true;
}

int PhoneEngine::FillMemory() {
    int filled = 0;
    for (auto& m : sim().messages) {
        if (m) continue;
        ++filled;
        m = StoredMessage{"REC READ", "+4912300000", 145, "01/01/01,00:00:00+00",
                          "Filler message " + std::to_string(filled)};
    }
    return filled;
}

}  // namespace qmx2::hardware::card

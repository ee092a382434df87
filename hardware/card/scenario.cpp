// Scenarios: the default card every test starts from, and reading one from JSON. Every field of
// the file is optional; a field of the wrong type or out of range makes the whole file refused,
// with the field's path in the error.
#include "hardware/card/scenario.h"

#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>

namespace qmx2::hardware::card {
namespace {

using nlohmann::json;

constexpr const char* kLockNames[] = {"SC", "PS", "PF", "PN", "P2"};

// Walks a JSON object and copies fields into plain values; the first problem is kept.
class Reader {
public:
    std::string error;

    bool Ok() const { return error.empty(); }
    void Fail(const std::string& path, const std::string& what) {
        if (error.empty()) error = path + ": " + what;
    }
    void Text(const json& j, const char* key, const std::string& path, std::string& out) {
        if (!j.contains(key)) return;
        if (!j[key].is_string()) return Fail(path + "." + key, "expected a text");
        out = j[key].get<std::string>();
    }
    void Number(const json& j, const char* key, const std::string& path, int lo, int hi, int& out) {
        if (!j.contains(key)) return;
        if (!j[key].is_number_integer()) return Fail(path + "." + key, "expected a whole number");
        // A number beyond int64_t comes as unsigned: read as signed it would wrap to -1.
        const bool huge = j[key].is_number_unsigned() && j[key].get<uint64_t>() > uint64_t(INT64_MAX);
        const int64_t v = huge ? INT64_MAX : j[key].get<int64_t>();
        if (v < lo || v > hi)
            return Fail(path + "." + key, "out of range " + std::to_string(lo) + ".." + std::to_string(hi));
        out = static_cast<int>(v);
    }
    void Flag(const json& j, const char* key, const std::string& path, bool& out) {
        if (!j.contains(key)) return;
        if (!j[key].is_boolean()) return Fail(path + "." + key, "expected true or false");
        out = j[key].get<bool>();
    }
    const json* Object(const json& j, const char* key, const std::string& path) {
        if (!j.contains(key)) return nullptr;
        if (!j[key].is_object()) {
            Fail(path + "." + key, "expected an object");
            return nullptr;
        }
        return &j[key];
    }
    const json* Array(const json& j, const char* key, const std::string& path) {
        if (!j.contains(key)) return nullptr;
        if (!j[key].is_array()) {
            Fail(path + "." + key, "expected a list");
            return nullptr;
        }
        return &j[key];
    }
};

void ReadLocks(Reader& r, const json& j, SimState& sim) {
    for (int k = 0; k < static_cast<int>(LockKind::kCount); ++k) {
        const std::string path = "sim.locks." + std::string(kLockNames[k]);
        const json* l = r.Object(j, kLockNames[k], "sim.locks");
        if (!l) continue;
        Lock& lock = sim.locks[static_cast<size_t>(k)];
        r.Flag(*l, "enabled", path, lock.enabled);
        r.Text(*l, "pin", path, lock.pin.code);
        r.Number(*l, "pin_attempts", path, 0, 99, lock.pin.attempts_left);
        r.Text(*l, "puk", path, lock.puk.code);
        r.Number(*l, "puk_attempts", path, 0, 99, lock.puk.attempts_left);
    }
}

void ReadMessages(Reader& r, const json& j, SimState& sim) {
    int size = static_cast<int>(sim.messages.size());
    r.Number(j, "size", "sim.messages", 0, 1000, size);
    r.Number(j, "first_index", "sim.messages", 0, 1, sim.first_message_index);
    sim.messages.assign(static_cast<size_t>(size), std::nullopt);
    const json* list = r.Array(j, "list", "sim.messages");
    if (!list) return;
    for (size_t i = 0; i < list->size() && r.Ok(); ++i) {
        const std::string path = "sim.messages.list[" + std::to_string(i) + "]";
        const json& m = (*list)[i];
        if (!m.is_object()) return r.Fail(path, "expected an object");
        int index = -1;
        StoredMessage msg;
        r.Number(m, "index", path, sim.first_message_index, sim.last_message_index(), index);
        r.Text(m, "status", path, msg.status);
        r.Text(m, "number", path, msg.number);
        r.Text(m, "stamp", path, msg.stamp);
        r.Text(m, "text", path, msg.text);
        msg.number_type = msg.number.rfind('+', 0) == 0 ? 145 : 129;
        if (index < 0) return r.Fail(path + ".index", "missing");
        if (msg.status != "REC UNREAD" && msg.status != "REC READ" && msg.status != "STO UNSENT" &&
            msg.status != "STO SENT")
            return r.Fail(path + ".status", "not a message status");
        sim.message_at(index) = msg;
    }
}

void ReadBook(Reader& r, const json& j, const std::string& path, PhoneBook& book) {
    int size = static_cast<int>(book.entries.size());
    r.Number(j, "size", path, 0, 1000, size);
    r.Number(j, "number_width", path, 1, 80, book.number_width);
    r.Number(j, "name_width", path, 1, 80, book.name_width);
    book.entries.assign(static_cast<size_t>(size), std::nullopt);
    const json* list = r.Array(j, "entries", path);
    if (!list) return;
    for (size_t i = 0; i < list->size() && r.Ok(); ++i) {
        const std::string p = path + ".entries[" + std::to_string(i) + "]";
        const json& e = (*list)[i];
        if (!e.is_object()) return r.Fail(p, "expected an object");
        int index = 0;
        PhoneBookEntry entry;
        r.Number(e, "index", p, 1, size, index);
        r.Text(e, "number", p, entry.number);
        r.Text(e, "name", p, entry.name);
        entry.type = entry.number.rfind('+', 0) == 0 ? 145 : 129;
        r.Number(e, "type", p, 128, 255, entry.type);
        if (index == 0) return r.Fail(p + ".index", "missing");
        book.entries[static_cast<size_t>(index - 1)] = entry;
    }
}

void ReadSim(Reader& r, const json& j, SimState& sim) {
    r.Flag(j, "inserted", "sim", sim.inserted);
    r.Text(j, "imsi", "sim", sim.imsi);
    r.Text(j, "centre", "sim", sim.centre);
    if (const json* l = r.Object(j, "locks", "sim")) ReadLocks(r, *l, sim);
    if (const json* m = r.Object(j, "messages", "sim")) ReadMessages(r, *m, sim);
    if (const json* b = r.Object(j, "phonebooks", "sim")) {
        if (const json* sm = r.Object(*b, "SM", "sim.phonebooks")) ReadBook(r, *sm, "sim.phonebooks.SM", sim.sim_book);
        if (const json* me = r.Object(*b, "ME", "sim.phonebooks")) ReadBook(r, *me, "sim.phonebooks.ME", sim.card_book);
    }
}

void ReadNetwork(Reader& r, const json& j, NetworkState& n) {
    if (const json* ops = r.Array(j, "operators", "network")) {
        n.in_reach.clear();
        for (size_t i = 0; i < ops->size() && r.Ok(); ++i) {
            const std::string p = "network.operators[" + std::to_string(i) + "]";
            const json& o = (*ops)[i];
            if (!o.is_object()) return r.Fail(p, "expected an object");
            Operator op;
            r.Text(o, "code", p, op.code);
            r.Text(o, "long", p, op.long_name);
            r.Text(o, "short", p, op.short_name);
            r.Flag(o, "forbidden", p, op.forbidden);
            if (op.code.empty()) return r.Fail(p + ".code", "missing");
            n.in_reach.push_back(op);
        }
    }
    r.Text(j, "current", "network", n.current);
    r.Flag(j, "automatic", "network", n.automatic);
    r.Number(j, "rssi", "network", 0, 99, n.rssi);
    r.Number(j, "ber", "network", 0, 99, n.ber);
    r.Number(j, "search_ms", "network", 0, 600000, n.search_ms);
    r.Number(j, "register_ms", "network", 0, 600000, n.register_ms);
}

void ReadBehaviour(Reader& r, const json& j, CardScenario& s) {
    if (const json* d = r.Object(j, "delays", "")) {
        r.Number(*d, "reply_ms", "delays", 0, 600000, s.delays.reply_ms);
        r.Number(*d, "ignored_ats", "delays", 0, 1000, s.delays.ignored_ats);
        r.Number(*d, "sms_send_ms", "delays", 0, 600000, s.delays.sms_send_ms);
    }
    if (const json* f = r.Object(j, "faults", "")) {
        r.Number(*f, "stall_after_commands", "faults", -1, 1000000, s.faults.stall_after_commands);
        r.Number(*f, "stall_ms", "faults", 0, 3600000, s.faults.stall_ms);
        r.Number(*f, "drop_every", "faults", 0, 1000000, s.faults.drop_every);
        r.Number(*f, "garble_every", "faults", 0, 1000000, s.faults.garble_every);
        if (const json* e = r.Array(*f, "error_commands", "faults")) {
            for (const json& c : *e) {
                if (!c.is_string()) return r.Fail("faults.error_commands", "expected texts");
                s.faults.error_commands.push_back(c.get<std::string>());
            }
        }
    }
    if (const json* q = r.Object(j, "quirks", "")) {
        r.Flag(*q, "cpin_without_ok", "quirks", s.quirks.cpin_without_ok);
        if (const json* c = r.Array(*q, "charsets", "quirks")) {
            for (const json& set : *c) {
                if (!set.is_string()) return r.Fail("quirks.charsets", "expected texts");
                s.quirks.charsets.push_back(set.get<std::string>());
            }
        }
    }
    if (const json* d = r.Array(j, "dial", "")) {
        for (size_t i = 0; i < d->size() && r.Ok(); ++i) {
            const std::string p = "dial[" + std::to_string(i) + "]";
            if (!(*d)[i].is_object()) return r.Fail(p, "expected an object");
            DialOutcome o;
            r.Text((*d)[i], "number", p, o.number);
            r.Text((*d)[i], "result", p, o.result);
            r.Number((*d)[i], "delay_ms", p, 0, 600000, o.delay_ms);
            if (o.result != "CONNECT" && o.result != "NO CARRIER" && o.result != "BUSY" &&
                o.result != "NO ANSWER" && o.result != "NO DIALTONE")
                return r.Fail(p + ".result", "not a call result");
            s.dial.push_back(o);
        }
    }
}

}  // namespace

const char* LockName(LockKind kind) { return kLockNames[static_cast<int>(kind)]; }

CardScenario DefaultScenario() {
    CardScenario s;
    s.name = "default";
    auto& l = s.sim.locks;
    l[static_cast<int>(LockKind::kSim)] = {false, false, {"1234", 3, 3}, {"12345678", 10, 10}};
    l[static_cast<int>(LockKind::kPhoneSim)] = {false, false, {"0000", 0, 0}, {"", 0, 0}};
    l[static_cast<int>(LockKind::kPhoneFirstSim)] = {false, false, {"1111", 3, 3}, {"11111111", 10, 10}};
    l[static_cast<int>(LockKind::kPhoneNetwork)] = {false, false, {"2222", 3, 3}, {"22222222", 10, 10}};
    l[static_cast<int>(LockKind::kSimPin2)] = {false, false, {"4321", 3, 3}, {"87654321", 10, 10}};
    s.sim.messages.assign(30, std::nullopt);
    s.sim.sim_book = {20, 14, std::vector<std::optional<PhoneBookEntry>>(250)};
    s.sim.card_book = {30, 16, std::vector<std::optional<PhoneBookEntry>>(100)};
    s.network.in_reach = {{"24405", "RADIOLINJA", "RL", false},
                          {"24491", "SONERA", "SONERA", false},
                          {"24403", "TELIA", "TELIA", true}};
    s.network.current = "24405";
    return s;
}

ScenarioResult ParseScenario(const std::string& json_text) {
    const json j = json::parse(json_text, nullptr, false);
    if (j.is_discarded()) return {std::nullopt, "not valid JSON"};
    if (!j.is_object()) return {std::nullopt, "expected an object at the top"};
    CardScenario s = DefaultScenario();
    Reader r;
    r.Text(j, "name", "", s.name);
    std::string dialect = "pellion";
    r.Text(j, "dialect", "", dialect);
    if (dialect == "standard") s.dialect = Dialect::kStandard;
    else if (dialect != "pellion") r.Fail(".dialect", "expected \"pellion\" or \"standard\"");
    if (const json* id = r.Object(j, "identity", "")) {
        r.Text(*id, "manufacturer", "identity", s.identity.manufacturer);
        r.Text(*id, "model", "identity", s.identity.model);
        r.Text(*id, "revision", "identity", s.identity.revision);
        r.Text(*id, "serial", "identity", s.identity.serial);
    }
    if (const json* sim = r.Object(j, "sim", "")) ReadSim(r, *sim, s.sim);
    if (const json* n = r.Object(j, "network", "")) ReadNetwork(r, *n, s.network);
    ReadBehaviour(r, j, s);
    if (!r.Ok()) return {std::nullopt, r.error};
    return {std::move(s), ""};
}

ScenarioResult LoadScenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {std::nullopt, path + ": cannot be read"};
    // A scenario is a few kilobytes; a device or a huge file is not read whole.
    std::string text(kMaxScenarioBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return {std::nullopt, path + ": cannot be read"};
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxScenarioBytes)
        return {std::nullopt, path + ": larger than " + std::to_string(kMaxScenarioBytes >> 20) + " MiB"};
    ScenarioResult r = ParseScenario(text);
    if (!r.scenario) r.error = path + ": " + r.error;
    return r;
}

}  // namespace qmx2::hardware::card

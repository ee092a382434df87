// The two phone books, the SIM's ("SM") and the card's own ("ME"): selection, reading by index
// or range, writing and deleting, with the field widths of the scenario.
#include "hardware/card/phone_engine.h"

namespace qmx2::hardware::card {
namespace {

int Used(const PhoneBook& b) {
    int n = 0;
    for (const auto& e : b.entries) n += e ? 1 : 0;
    return n;
}

// Digits of a phone-book number: a leading "+" (the international type, not stored as a
// digit), then digits, "*", "#" and the pause and wait characters "p" and "w".
bool ValidNumberCharacters(const std::string& n) {
    for (size_t i = 0; i < n.size(); ++i) {
        const char c = n[i];
        const bool ok = (c >= '0' && c <= '9') || c == '*' || c == '#' || c == 'p' || c == 'P' ||
                        c == 'w' || c == 'W' || (c == '+' && i == 0);
        if (!ok) return false;
    }
    return true;
}

size_t NumberLength(const std::string& n) {
    return !n.empty() && n[0] == '+' ? n.size() - 1 : n.size();
}

bool ValidNameCharacters(const std::string& n) {
    for (char c : n)
        if (static_cast<unsigned char>(c) < 32 || c == '"') return false;
    return true;
}

}  // namespace

Result PhoneEngine::BookStorage(const AtCommand& cmd) {
    switch (cmd.form) {
        case CommandForm::kRead: {
            const PhoneBook& b = Book();
            Info(std::string("+CPBS: \"") + (session_.book_is_sim ? "SM" : "ME") + "\"," +
                 std::to_string(Used(b)) + "," + std::to_string(b.entries.size()));
            return Result::Ok();
        }
        case CommandForm::kTest: Info("+CPBS: (\"SM\",\"ME\")"); return Result::Ok();
        case CommandForm::kExecute: return Result::Error();
        case CommandForm::kSet: break;
    }
    auto args = SplitArgs(cmd.args);
    if (!args || args->size() != 1) return Result::Cme(3);
    const std::string memory = Upper((*args)[0].text);
    if (memory == "SM") session_.book_is_sim = true;
    else if (memory == "ME") session_.book_is_sim = false;
    else return Result::Cme(4);
    return Result::Ok();
}

Result PhoneEngine::BookRead(const AtCommand& cmd) {
    PhoneBook& b = Book();
    const int size = static_cast<int>(b.entries.size());
    if (cmd.form == CommandForm::kTest) {
        Info("+CPBR: (1-" + std::to_string(size) + ")," + std::to_string(b.number_width) + "," +
             std::to_string(b.name_width));
        return Result::Ok();
    }
    if (cmd.form != CommandForm::kSet) return Result::Error();
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 2) return Result::Cme(3);
    auto first = ArgNumber((*args)[0], 1, size);
    auto last = args->size() == 2 ? ArgNumber((*args)[1], 1, size) : first;
    if (!first || !last || *last < *first) return Result::Cme(21);
    // An empty range is answered OK without entries, so that a reader can go on block by block.
    bool any = false;
    for (int i = *first; i <= *last; ++i) {
        const auto& e = b.entries[static_cast<size_t>(i - 1)];
        if (!e) continue;
        const std::string line = "+CPBR: " + std::to_string(i) + ",\"" + e->number + "\"," +
                                 std::to_string(e->type) + ",\"" + e->name + "\"";
        if (!any) Info(line);
        else reply_ += line + "\r\n";
        any = true;
    }
    return Result::Ok();
}

Result PhoneEngine::BookWrite(const AtCommand& cmd) {
    PhoneBook& b = Book();
    const int size = static_cast<int>(b.entries.size());
    if (cmd.form == CommandForm::kTest) {
        Info("+CPBW: (1-" + std::to_string(size) + ")," + std::to_string(b.number_width) +
             ",(129,145)," + std::to_string(b.name_width));
        return Result::Ok();
    }
    if (cmd.form != CommandForm::kSet) return Result::Error();
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 4) return Result::Cme(3);
    std::optional<int> index;
    if ((*args)[0].present) {
        index = ArgNumber((*args)[0], 1, size);
        if (!index) return Result::Cme(21);
    }
    const std::string number = args->size() >= 2 ? (*args)[1].text : "";
    if (number.empty()) {
        if (!index) return Result::Cme(3);
        b.entries[static_cast<size_t>(*index - 1)].reset();
        return Result::Ok();
    }
    if (NumberLength(number) > static_cast<size_t>(b.number_width)) return Result::Cme(26);
    if (!ValidNumberCharacters(number)) return Result::Cme(27);
    int type = number[0] == '+' ? 145 : 129;
    if (args->size() >= 3 && (*args)[2].present) {
        auto t = ArgNumber((*args)[2], 128, 255);
        if (!t) return Result::Cme(3);
        type = *t;
    }
    const std::string name = args->size() == 4 ? (*args)[3].text : "";
    if (name.size() > static_cast<size_t>(b.name_width)) return Result::Cme(24);
    if (!ValidNameCharacters(name)) return Result::Cme(25);
    if (!index) {
        for (int i = 1; i <= size && !index; ++i)
            if (!b.entries[static_cast<size_t>(i - 1)]) index = i;
        if (!index) return Result::Cme(20);
    }
    b.entries[static_cast<size_t>(*index - 1)] = PhoneBookEntry{number, type, name};
    return Result::Ok();
}

}  // namespace qmx2::hardware::card

// The manager's card double.
#include "tests/manager/fake_card.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/last_error.h"
#include "platform/serial_port_rules.h"

namespace qmx2::manager::testing {

using namespace qmx2::platform;

namespace {

bool StartsWith(const std::string& s, const std::string& p) { return s.rfind(p, 0) == 0; }

std::string Unquote(std::string s) {
    if (!s.empty() && s.front() == '"') s.erase(0, 1);
    if (!s.empty() && s.back() == '"') s.pop_back();
    return s;
}

std::vector<std::string> SplitArgs(const std::string& s) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : s) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted)
            out.emplace_back();
        else
            out.back().push_back(c);
    }
    return out;
}

constexpr char kOk[] = "\r\nOK\r\n";
constexpr char kError[] = "\r\nERROR\r\n";

}  // namespace

FakeCard::FakeCard(Clock& clock) : clock_(clock) {
    messages.resize(30);
    sim_book.entries.resize(250);
    sim_book.number_width = 40;
    sim_book.name_width = 14;
    card_book.entries.resize(100);
    card_book.number_width = 30;
    card_book.name_width = 16;
}

std::vector<std::string> FakeCard::Commands() {
    std::lock_guard l(mu_);
    return commands;
}

size_t FakeCard::CountCommands(const std::string& prefix) {
    std::lock_guard l(mu_);
    return static_cast<size_t>(std::count_if(commands.begin(), commands.end(),
                                             [&](const std::string& c) { return StartsWith(c, prefix); }));
}

void FakeCard::HoldPort(bool held) {
    std::lock_guard l(mu_);
    holder_ = held ? UINTPTR_MAX : 0;
}

uintptr_t FakeCard::Open(uint32_t access, uint32_t) {
    std::lock_guard l(mu_);
    if (const uint32_t refusal = OpenRefusal(access, holder_ != 0, powered)) {
        SetLastError(refusal);
        return 0;
    }
    if (!WantsAccess(access)) return next_++;
    ++opens;
    holder_ = next_++;
    return holder_;
}

bool FakeCard::Close(uintptr_t context) {
    std::lock_guard l(mu_);
    if (context == holder_) holder_ = 0;
    return true;
}

// Bytes leave the card one after another at the line's character time (start, 8 data, stop).
void FakeCard::Send(const std::string& bytes) {
    const uint64_t now = clock_.TickMs();
    uint64_t start_us = std::max(line_in_until_us_, (now + reply_delay_ms) * 1000);
    if (!out_.empty()) start_us = std::max(start_us, out_.back().first * 1000);
    const uint64_t char_us = 10ull * 1000000 / bits_per_second;
    for (char c : bytes) {
        start_us += char_us;
        out_.push_back({(start_us + 999) / 1000, static_cast<unsigned char>(c)});
    }
    bytes_out += bytes.size();
}

int32_t FakeCard::Read(uintptr_t, void* buffer, uint32_t length) {
    if (length == 0) return 0;
    uint64_t due = 0;
    uint32_t budget = 0;
    {
        std::lock_guard l(mu_);
        budget = ReadTimer(timeouts_, length).total_ms();
        if (!out_.empty()) due = out_.front().first;
    }
    const uint64_t now = clock_.TickMs();
    if (due == 0 || due > now + budget) {
        clock_.SleepMs(budget);
        return 0;
    }
    if (due > now) clock_.SleepMs(static_cast<uint32_t>(due - now));
    std::lock_guard l(mu_);
    auto* p = static_cast<unsigned char*>(buffer);
    uint32_t n = 0;
    const uint64_t at = clock_.TickMs();
    while (n < length && !out_.empty() && out_.front().first <= at) {
        p[n++] = out_.front().second;
        out_.pop_front();
    }
    return static_cast<int32_t>(n);
}

int32_t FakeCard::Write(uintptr_t, const void* buffer, uint32_t length) {
    std::lock_guard l(mu_);
    const auto* b = static_cast<const char*>(buffer);
    bytes_in += length;
    // The command's own bytes take their line time before the card can answer them.
    line_in_until_us_ = std::max(line_in_until_us_, clock_.TickMs() * 1000) +
                        length * (10ull * 1000000 / bits_per_second);
    for (uint32_t i = 0; i < length; ++i) {
        if (b[i] != '\r') {
            line_.push_back(b[i]);
            continue;
        }
        const std::string line = line_;
        line_.clear();
        if (record_commands) {
            commands.push_back(line);
            command_threads.push_back(std::this_thread::get_id());
        }
        if (echo_ || StartsWith(line, "ATE")) Send(line + "\r");
        if (std::any_of(silent.begin(), silent.end(), [&](auto& p) { return StartsWith(line, p); }))
            continue;
        std::string reply = std::any_of(error_commands.begin(), error_commands.end(),
                                        [&](auto& p) { return StartsWith(line, p); })
                                ? std::string(kError)
                                : Answer(line);
        for (const auto& [prefix, n] : cut_after)
            if (StartsWith(line, prefix) && reply.size() > n) reply.resize(n);
        Send(reply);
    }
    return static_cast<int32_t>(length);
}

bool FakeCard::IoControl(uintptr_t, uint32_t code, const void* in, uint32_t in_length, void* out,
                         uint32_t out_length, uint32_t* returned) {
    std::lock_guard l(mu_);
    if (!ControlBuffersFit(code, in, in_length, out, out_length, returned)) return false;
    switch (code) {
    case IOCTL_SERIAL_GET_DCB:
        std::memcpy(out, &dcb_, sizeof dcb_);
        *returned = sizeof dcb_;
        return true;
    case IOCTL_SERIAL_SET_DCB:
        std::memcpy(&dcb_, in, sizeof dcb_);
        return true;
    case IOCTL_SERIAL_GET_TIMEOUTS:
        std::memcpy(out, &timeouts_, sizeof timeouts_);
        return true;
    case IOCTL_SERIAL_SET_TIMEOUTS:
        std::memcpy(&timeouts_, in, sizeof timeouts_);
        return true;
    case IOCTL_SERIAL_SET_WAIT_MASK:
        return true;
    case IOCTL_CARD_IS_POWERED: {
        if (power_query_fails) return false;
        const uint32_t v = powered ? 1 : 0;
        std::memcpy(out, &v, 4);
        *returned = 4;
        return true;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
}

std::string FakeCard::Answer(const std::string& line) {
    if (line == "ATE1" || line == "ATE0") {
        echo_ = line == "ATE1";
        return kOk;
    }
    if (StartsWith(line, "AT+CPB")) return AnswerBook(line);
    if (StartsWith(line, "AT+CMG") || StartsWith(line, "AT+CPMS")) return AnswerMessages(line);
    if (line == "AT+COPS?") {
        char buf[96];
        const bool registered = cops_asked_++ >= operator_after_tries && !operator_code.empty();
        if (registered)
            std::snprintf(buf, sizeof buf, "\r\n+COPS: %d,2,%s\r\n\r\nOK\r\n",
                          automatic_operator ? 0 : 1, operator_code.c_str());
        else
            std::snprintf(buf, sizeof buf, "\r\n+COPS: %d\r\n\r\nOK\r\n", automatic_operator ? 0 : 1);
        return buf;
    }
    if (line == "AT+CSQ") return "\r\n+CSQ: " + std::to_string(rssi) + ",99\r\n\r\nOK\r\n";
    if (line == "AT+CLCK=\"PS\",2")
        return std::string("\r\n+CLCK: ") + (phone_lock ? "1" : "0") + "\r\n\r\nOK\r\n";
    if (line == "AT+CLCK=\"SC\",2")
        return std::string("\r\n+CLCK: ") + (pin_request ? "1" : "0") + "\r\n\r\nOK\r\n";
    if (StartsWith(line, "AT+CSCA=") || StartsWith(line, "AT+CSCS=")) return kOk;
    return kError;
}

std::string FakeCard::AnswerBook(const std::string& line) {
    if (line == "AT+CPBS=\"SM\"" || line == "AT+CPBS=\"ME\"") {
        book_me_ = line == "AT+CPBS=\"ME\"";
        return kOk;
    }
    CardBook& book = CurrentBook();
    if (line == "AT+CPBR=?") {
        if (book_me_ && card_book_size_fails) return kError;
        char buf[96];
        std::snprintf(buf, sizeof buf, "\r\n+CPBR: (1-%zu),%d,%d\r\n\r\nOK\r\n", book.entries.size(),
                      book.number_width, book.name_width);
        return buf;
    }
    if (StartsWith(line, "AT+CPBR=")) {
        int first = 0, last = 0;
        if (std::sscanf(line.c_str() + 8, "%d,%d", &first, &last) != 2) return kError;
        if (first < 1 || last > static_cast<int>(book.entries.size()) || first > last) return kError;
        std::string reply = "\r\n";
        for (int i = first; i <= last; ++i) {
            const auto& e = book.entries[static_cast<size_t>(i - 1)];
            if (!e) continue;
            reply += "+CPBR: " + std::to_string(i) + ",\"" + e->number + "\"," +
                     std::to_string(e->type) + ",\"" + e->name + "\"\r\n";
        }
        return reply + kOk;
    }
    if (StartsWith(line, "AT+CPBW=")) {
        const auto args = SplitArgs(line.substr(8));
        const int index = std::atoi(args[0].c_str());
        if (index < 1 || index > static_cast<int>(book.entries.size())) return kError;
        auto& slot = book.entries[static_cast<size_t>(index - 1)];
        if (args.size() == 1) {
            slot.reset();
            return kOk;
        }
        if (args.size() != 4) return kError;
        CardEntry e{Unquote(args[1]), std::atoi(args[2].c_str()), Unquote(args[3])};
        if (static_cast<int>(e.number.size()) > book.number_width ||
            static_cast<int>(e.name.size()) > book.name_width || e.number.empty() ||
            e.number.find_first_not_of("+0123456789*#") != std::string::npos)
            return kError;
        slot = e;
        return kOk;
    }
    return kError;
}

std::string FakeCard::AnswerMessages(const std::string& line) {
    const int total = static_cast<int>(messages.size());
    const int used = static_cast<int>(std::count_if(messages.begin(), messages.end(),
                                                    [](auto& m) { return m.has_value(); }));
    char buf[160];
    if (line == "AT+CPMS=\"SM\",\"SM\",\"SM\"") {
        std::snprintf(buf, sizeof buf, "\r\n+CPMS: %d,%d,%d,%d,%d,%d\r\n\r\nOK\r\n", used, total,
                      used, total, used, total);
        return buf;
    }
    if (line == "AT+CPMS?") {
        std::snprintf(buf, sizeof buf,
                      "\r\n+CPMS: \"SM\",%d,%d,\"SM\",%d,%d,\"SM\",%d,%d\r\n\r\nOK\r\n", used, total,
                      used, total, used, total);
        return buf;
    }
    if (line == "AT+CMGF=1") return kOk;
    if (StartsWith(line, "AT+CMGR=")) {
        const int index = std::atoi(line.c_str() + 8);
        if (index < 1 || index > total || !messages[static_cast<size_t>(index - 1)])
            return "\r\n+CMS ERROR: 321\r\n";
        CardMessage& m = *messages[static_cast<size_t>(index - 1)];
        const std::string reply = "\r\n+CMGR: \"" + m.status + "\",\"" + m.number + "\",,\"" +
                                  m.stamp + "\"\r\n" + m.text + "\r\n\r\nOK\r\n";
        if (m.status == "REC UNREAD") m.status = "REC READ";
        return reply;
    }
    if (line == "AT+CMGL=\"REC UNREAD\"") {
        std::string reply = "\r\n";
        for (int i = 1; i <= total; ++i) {
            auto& m = messages[static_cast<size_t>(i - 1)];
            if (!m || m->status != "REC UNREAD") continue;
            reply += "+CMGL: " + std::to_string(i) + ",\"REC UNREAD\",\"" + m->number + "\",,\"" +
                     m->stamp + "\"\r\n" + m->text + "\r\n";
            m->status = "REC READ";
        }
        return reply + kOk;
    }
    return kError;
}

}  // namespace qmx2::manager::testing

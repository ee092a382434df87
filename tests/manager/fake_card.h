// A GSM card double for the manager's tests: a stream device that answers the AT commands the
// manager sends, from a small model of the SIM (message slots, both phone books, operator,
// locks), paced at 19200 bit/s on the clock, and honouring the read time-outs set on it as the
// serial driver does. Faults (silence, cut-off replies, ERROR answers, a late operator) are set
// per test. Thread-safe: the window thread and the worker both reach it.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/stream_driver.h"

namespace qmx2::manager::testing {

struct CardMessage {
    std::string status;  // "REC UNREAD", "REC READ", "STO SENT", "STO UNSENT"
    std::string number;
    std::string stamp;
    std::string text;
};

struct CardEntry {
    std::string number;
    int type = 129;
    std::string name;
};

struct CardBook {
    int number_width = 20;
    int name_width = 14;
    std::vector<std::optional<CardEntry>> entries;
};

class FakeCard final : public platform::StreamDriver {
public:
    explicit FakeCard(platform::Clock& clock);

    // The model; change it only while no transaction runs (or under Lock()).
    std::vector<std::optional<CardMessage>> messages;  // SIM index i is messages[i - 1]
    CardBook sim_book;
    CardBook card_book;
    std::string operator_code = "24405";
    int operator_after_tries = 0;  // "AT+COPS?" answers without an operator this many times
    int rssi = 20;
    bool phone_lock = false;
    bool pin_request = true;
    bool automatic_operator = true;
    bool powered = true;
    bool power_query_fails = false;
    bool card_book_size_fails = false;  // "AT+CPBR=?" on "ME" answers ERROR
    uint32_t bits_per_second = 19200;

    // Faults, by command prefix: no answer at all; answer cut after n bytes; "ERROR" answer.
    std::vector<std::string> silent;
    std::map<std::string, size_t> cut_after;
    std::vector<std::string> error_commands;
    uint32_t reply_delay_ms = 0;

    // What the manager did.
    bool record_commands = true;  // off for long runs that measure memory
    std::vector<std::string> commands;  // every command line, in order
    std::vector<std::thread::id> command_threads;  // the thread that sent each
    uint64_t bytes_in = 0;
    uint64_t bytes_out = 0;
    int opens = 0;

    std::unique_lock<std::mutex> Lock() { return std::unique_lock(mu_); }
    std::vector<std::string> Commands();
    size_t CountCommands(const std::string& prefix);
    // Another program holding the port (or letting it go).
    void HoldPort(bool held);

    uintptr_t Open(uint32_t access, uint32_t share) override;
    bool Close(uintptr_t context) override;
    int32_t Read(uintptr_t context, void* buffer, uint32_t length) override;
    int32_t Write(uintptr_t context, const void* buffer, uint32_t length) override;
    bool IoControl(uintptr_t context, uint32_t code, const void* in, uint32_t in_length, void* out,
                   uint32_t out_length, uint32_t* returned) override;

private:
    std::string Answer(const std::string& line);
    std::string AnswerBook(const std::string& line);
    std::string AnswerMessages(const std::string& line);
    void Send(const std::string& bytes);
    CardBook& CurrentBook() { return book_me_ ? card_book : sim_book; }

    platform::Clock& clock_;
    std::mutex mu_;
    std::deque<std::pair<uint64_t, unsigned char>> out_;  // byte and the tick it arrives
    uint64_t line_in_until_us_ = 0;  // when the bytes written so far have reached the card
    std::string line_;
    bool echo_ = true;
    bool book_me_ = false;
    int cops_asked_ = 0;
    uintptr_t holder_ = 0;
    uintptr_t next_ = 1;
    platform::COMMTIMEOUTS timeouts_{};
    platform::DCB dcb_{};
};

}  // namespace qmx2::manager::testing

// Inside the phone: the session state a real phone keeps between commands, the byte handling
// (command lines, text entry after a prompt, a data call), and the command handlers, which live
// in one file per group (cmd_*.cpp). Only phone.cpp and the handler files include this.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hardware/card/at_syntax.h"
#include "hardware/card/dialect.h"
#include "hardware/card/phone.h"
#include "hardware/card/scenario.h"

namespace qmx2::platform {
class Clock;
}

namespace qmx2::hardware::card {

// What a command handler answers.
struct Result {
    enum Kind { kOk, kError, kCme, kCms, kText, kPending };
    Kind kind = kOk;
    int code = 0;       // kCme, kCms
    std::string text;   // kText: a final result such as "CONNECT 9600" or "BUSY"
    int delay_ms = 0;   // added to the scenario's answer delay for this result
    static Result Ok(int delay = 0) { return {kOk, 0, {}, delay}; }
    static Result Error() { return {kError, 0, {}, 0}; }
    static Result Cme(int code) { return {kCme, code, {}, 0}; }
    static Result Cms(int code) { return {kCms, code, {}, 0}; }
    static Result Text(std::string t, int delay = 0) { return {kText, 0, std::move(t), delay}; }
    static Result Pending() { return {kPending, 0, {}, 0}; }
};

enum class LineMode { kCommand, kTextEntry, kOnline };

// What the phone was told since power on; a power cycle or ATZ starts it afresh.
struct Session {
    bool echo = true;
    bool verbose = true;
    bool quiet = false;
    int cmee = 0;
    std::string charset = "IRA";
    std::array<int, 5> cnmi{0, 0, 0, 0, 0};
    bool book_is_sim = true;   // +CPBS: "SM" or "ME"
    int cops_format = 2;
    std::string centre;        // active message centre; empty: the SIM's
    int centre_type = 145;
    std::array<int, 4> csmp{17, 167, 0, 0};
    std::array<int, 3> cbst{7, 0, 1};
    std::array<int, 4> chsn{1, 0, 0, 0};
    int cfun = 1;
    int creg = 0;
    int cops_mode = 0;  // 0 automatic, 1 manual, 2 deregistered
    std::array<int, 13> s_registers{0, 0, 43, 13, 10, 8, 2, 50, 2, 6, 14, 95, 50};
};

class PhoneEngine {
public:
    PhoneEngine(platform::Clock& clock, CardScenario scenario);

    // The members behind Phone's interface (see phone.h for what they do).
    void Receive(std::span<const uint8_t> bytes);
    std::optional<uint64_t> NextByteTick() const;
    size_t Transmit(std::span<uint8_t> out, uint64_t now_ms);
    size_t QueuedBytes() const { return out_.size(); }
    void DropOutput() { out_.clear(); }
    void SetOutputListener(std::function<void()> l) { listener_ = std::move(l); }
    void SetPowered(bool on);
    bool powered() const { return powered_; }
    bool DeliverMessage(const std::string& number, const std::string& text);
    void SetSignal(int rssi);
    bool SetOperator(const std::string& code);
    int FillMemory();
    void RemoteHangUp();

    std::vector<SentMessage> sent;
    CardScenario scenario;
    uint64_t commands = 0;

private:
    struct Timed {
        uint8_t byte;
        uint64_t tick;
    };
    using Handler = Result (PhoneEngine::*)(const AtCommand&);
    struct Entry {
        const char* name;
        Handler handler;
        bool needs_sim;  // answered with the SIM's pending-code error until the SIM is ready
    };
    static const Entry kCommands[];

    // Bytes.
    void CommandByte(uint8_t b);
    void TextEntryByte(uint8_t b);
    void OnlineByte(uint8_t b);
    void RunLine(std::string_view line);
    void RunCommand(const AtCommand& cmd, Result& result);
    void Emit(std::string_view bytes, uint64_t tick);
    void Reply(std::string_view bytes, int extra_delay_ms = 0);
    void Info(std::string_view line);
    void Final(const Result& r);
    void Unsolicited(std::string_view line);
    uint64_t Now() const;
    bool Stalled(uint64_t tick) const;

    // State shared by the handlers.
    const DialectTraits& traits() const { return TraitsOf(scenario.dialect); }
    SimState& sim() { return scenario.sim; }
    Lock& lock(LockKind k) { return scenario.sim.locks[static_cast<int>(k)]; }
    // The code the SIM waits for: its +CPIN state text, or "READY"; "" when the SIM is blocked.
    std::string PendingCodeState() const;
    Result SimNotReady(bool sms) const;
    bool Registered() const;
    const Operator* FindOperator(std::string_view code) const;
    void RegisterAutomatically();
    int FirstFreeMessage() const;
    int UsedMessages() const;
    PhoneBook& Book() { return session_.book_is_sim ? sim().sim_book : sim().card_book; }
    std::string ErrorLine(const Result& r) const;

    // Handlers: cmd_general.cpp
    Result BasicSetting(const AtCommand&);
    Result Reset(const AtCommand&);
    Result Identify(const AtCommand&);
    Result IdentityLine(const AtCommand&);
    Result SRegister(const AtCommand&);
    Result ErrorMode(const AtCommand&);
    Result Functionality(const AtCommand&);
    Result Charset(const AtCommand&);
    Result BearerService(const AtCommand&);
    Result HighSpeedData(const AtCommand&);
    // cmd_security.cpp
    Result Pin(const AtCommand&);
    Result Facility(const AtCommand&);
    Result ChangePassword(const AtCommand&);
    // cmd_sms.cpp, cmd_sms_entry.cpp
    Result MessageFormat(const AtCommand&);
    Result NewMessageIndication(const AtCommand&);
    Result PreferredStorage(const AtCommand&);
    Result ListMessages(const AtCommand&);
    Result ReadMessage(const AtCommand&);
    Result SendMessage(const AtCommand&);
    Result WriteMessage(const AtCommand&);
    Result DeleteMessage(const AtCommand&);
    Result ServiceCentre(const AtCommand&);
    Result TextParameters(const AtCommand&);
    Result SaveSettings(const AtCommand&);
    void FinishTextEntry(bool cancelled);
    std::string MessageHeader(int index, const StoredMessage& m, bool listing) const;
    // cmd_phonebook.cpp
    Result BookStorage(const AtCommand&);
    Result BookRead(const AtCommand&);
    Result BookWrite(const AtCommand&);
    // cmd_network.cpp
    Result OperatorSelection(const AtCommand&);
    Result SignalQuality(const AtCommand&);
    Result Registration(const AtCommand&);
    // cmd_call.cpp
    Result Dial(const AtCommand&);
    Result HangUp(const AtCommand&);
    Result Online(const AtCommand&);
    std::string ConnectText() const;

    platform::Clock& clock_;
    Session session_;
    bool powered_ = true;
    int ignored_ats_left_ = 0;
    std::deque<Timed> out_;
    uint64_t last_tick_ = 0;
    uint64_t output_count_ = 0;
    std::function<void()> listener_;
    // The reply being built for the current command line.
    std::string reply_;

    LineMode mode_ = LineMode::kCommand;
    std::string line_;
    bool in_line_ = false;
    bool saw_a_ = false;
    bool overlong_ = false;
    std::string last_line_;  // for "A/"

    // Text entry after the prompt of +CMGS or +CMGW.
    bool entry_is_send_ = false;
    std::string entry_number_;
    int entry_type_ = 129;
    std::string entry_status_;
    std::string entry_text_;
    size_t entry_length_ = 0;  // characters received, stored or not

    // A data call.
    bool in_call_ = false;
    uint64_t last_online_byte_ = 0;
    int plus_count_ = 0;
    int message_reference_ = 0;
    uint64_t stall_until_ = 0;
    bool stalled_for_good_ = false;
};

}  // namespace qmx2::hardware::card

// What an emulated card holds and how it behaves: the SIM's codes and locks, its messages and
// phone books, the network around it, answer delays and faults. A scenario is plain data; it is
// read from a JSON file (LoadScenario) or built by a test, and the phone works on its own copy.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmx2::hardware::card {

// How the card words its answers. kPellion is the card the system was made for; kStandard
// answers as a typical modem of today does.
enum class Dialect { kPellion, kStandard };

// One access code with its attempt counter. max_attempts 0: no counter (the phone lock code).
struct AccessCode {
    std::string code;
    int attempts_left = 3;
    int max_attempts = 3;
};

// The locks a card can ask codes for, in the order in which "AT+CPIN?" reports them.
enum class LockKind { kSim, kPhoneSim, kPhoneFirstSim, kPhoneNetwork, kSimPin2, kCount };

struct Lock {
    bool enabled = false;   // the card asks for this code (PIN request on, phone lock on, ...)
    bool verified = false;  // the code was given since power on
    AccessCode pin;
    AccessCode puk;         // empty code: this lock has no unblocking code
};

struct StoredMessage {
    std::string status;  // "REC UNREAD", "REC READ", "STO UNSENT", "STO SENT"
    std::string number;
    int number_type = 145;
    std::string stamp;   // "yy/MM/dd,hh:mm:ss+zz"; empty for stored messages
    std::string text;
};

struct PhoneBookEntry {
    std::string number;
    int type = 129;
    std::string name;
};

struct PhoneBook {
    int number_width = 20;
    int name_width = 14;
    std::vector<std::optional<PhoneBookEntry>> entries;  // index 1 is entries[0]
};

struct Operator {
    std::string code;        // numeric, e.g. "24405"
    std::string long_name;
    std::string short_name;
    bool forbidden = false;
};

struct SimState {
    bool inserted = true;
    std::array<Lock, static_cast<int>(LockKind::kCount)> locks{};
    // Message memory "SM": one optional message per index, the first at first_message_index
    // (1 on the card; 0 on modems such as Huawei's USB sticks).
    std::vector<std::optional<StoredMessage>> messages;
    int first_message_index = 1;
    int last_message_index() const { return first_message_index + static_cast<int>(messages.size()) - 1; }
    // The slot of a message by its index on the line (first_message_index .. last_message_index()).
    std::optional<StoredMessage>& message_at(int index) {
        return messages[static_cast<size_t>(index - first_message_index)];
    }
    PhoneBook sim_book;   // "SM"
    PhoneBook card_book;  // "ME"
    std::string centre = "+358405202000";  // message centre stored on the SIM
    int centre_type = 145;
    std::array<int, 4> sms_parameters{17, 167, 0, 0};  // +CSMP as saved on the SIM
    std::string imsi = "244051234567890";
};

struct NetworkState {
    std::vector<Operator> in_reach;
    std::string current;          // code of the operator registered with; empty: none
    bool automatic = true;
    int rssi = 20;                // +CSQ value 0..31, 99 unknown
    int ber = 99;
    int search_ms = 3000;         // how long "AT+COPS=?" takes
    int register_ms = 1000;       // how long a manual or automatic selection takes
};

struct DialOutcome {
    std::string number;  // digits as dialled; empty: every other number
    std::string result;  // "CONNECT", "NO CARRIER", "BUSY", "NO ANSWER", "NO DIALTONE"
    int delay_ms = 2000;
};

struct Identity {
    std::string manufacturer = "Orvan Mobile Phones";
    std::string model = "Pellion 2.0";
    std::string revision = "2.00.14";
    std::string serial = "351234567890123";
};

struct Delays {
    int reply_ms = 0;         // every final result waits this long after the command's CR
    int ignored_ats = 0;      // a slow power-up: this many "AT" lines go unanswered
    int sms_send_ms = 1500;   // from Ctrl-Z to "+CMGS:"
};

struct Faults {
    int stall_after_commands = -1;  // from this command on, the card answers nothing (-1: never)
    int stall_ms = 0;               // ... for this long (0: for good)
    int drop_every = 0;             // every Nth byte of output is lost (0: none)
    int garble_every = 0;           // every Nth byte of output has a bit flipped (0: none)
    std::vector<std::string> error_commands;  // commands (by prefix, any case) answered ERROR
};

// Ways in which real modems answer beside both dialects, for the modem zoo scenarios.
struct Quirks {
    bool cpin_without_ok = false;       // "+CPIN: READY" with no final result (Wavecom)
    std::vector<std::string> charsets;  // the character sets offered; empty: the dialect's own
};

struct CardScenario {
    std::string name;
    Dialect dialect = Dialect::kPellion;
    Identity identity;
    SimState sim;
    NetworkState network;
    std::vector<DialOutcome> dial;
    Delays delays;
    Faults faults;
    Quirks quirks;
};

// The scenario of a fresh SIM as every test starts from: PIN "1234" not requested, PUK
// "12345678", PIN2 "4321", PUK2 "87654321", phone code "0000", 30 message slots, books of 250 and
// 100 entries, three operators with 24405 current.
CardScenario DefaultScenario();

struct ScenarioResult {
    std::optional<CardScenario> scenario;
    std::string error;  // what was wrong, with the JSON path of the field
};

// Reads a scenario; every field is optional and starts from DefaultScenario().
ScenarioResult ParseScenario(const std::string& json_text);
// Files over kMaxScenarioBytes are refused unread.
inline constexpr std::size_t kMaxScenarioBytes = std::size_t{1} << 20;
ScenarioResult LoadScenario(const std::string& path);

const char* LockName(LockKind kind);  // "SC", "PS", "PF", "PN", "P2"

}  // namespace qmx2::hardware::card

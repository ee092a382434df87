// The AT command transaction: open the card's port, write one command, collect the reply until
// a stop rule holds or time runs out, close the port, hand back the raw text.
//
// Nothing stays open between transactions; the port is opened without sharing, so whoever holds
// it (another thread, the other program) makes a second transaction fail at once with
// "Comm failure(opencomm)". Failures are reported inside the reply text, and every failure text
// begins with "Comm failure(". The manager and the commander each build their own AtChannel;
// the channel is not re-entrant (one reply area per operation, no lock).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/stop_rules.h"
#include "common/text_utils.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/text.h"

namespace qmx2::common {

inline constexpr char kFailOpenComm[] = "Comm failure(opencomm)";
inline constexpr char kFailGetCommState[] = "Comm failure(getcommstate)";
inline constexpr char kFailSetCommState[] = "Comm failure(setcommstate)";
inline constexpr char kFailTimeout[] = "Comm failure(timeout)";
inline constexpr char kFailPrefix[] = "Comm failure(";

inline constexpr size_t kReplyAreaSize = 8192;
// A reply keeps room for the NUL and for "Comm failure(timeout)" behind it, so the failure text
// always fits after the longest stored reply.
inline constexpr size_t kMaxReplyText = kReplyAreaSize - 1 - (sizeof(kFailTimeout) - 1);
inline constexpr size_t kMaxPortNameChars = 129;

inline constexpr uint32_t kLineBaudRate = 19200;
inline constexpr uint32_t kReadTimeoutPerByteMs = 500;
// The write bound when the port has none (both write time-outs 0): a card that stops taking
// bytes must not hold a transaction for ever. Ten times a byte's line time, plus 5 s.
inline constexpr uint32_t kWriteTimeoutPerByteMs = 5;
inline constexpr uint32_t kWriteTimeoutConstantMs = 5000;

// Which program the channel belongs to: the commander's SendAtCommand has its own rules.
enum class AtProgram : uint8_t { kManager, kCommander };

// How elapsed time is counted after a read that brought nothing.
enum class ClockRule : uint8_t {
    kWholeSeconds,  // minutes and seconds, so that time-outs of a minute and more work
    kSecondField,   // the second fields' difference, plus 60 when negative: time-outs below 60 s
};

// What distinguishes the operations; all run the same transaction.
struct AtFlavour {
    StopRuleSet rules;
    ClockRule clock_rule = ClockRule::kSecondField;
    bool write_terminator = true;  // the separate one-byte CR write after the command
};

inline constexpr AtFlavour kManagerCommandFlavour{{true, false}, ClockRule::kWholeSeconds, true};
inline constexpr AtFlavour kManagerLineFlavour{{false, false}, ClockRule::kSecondField, true};
inline constexpr AtFlavour kManagerRawFlavour{{false, true}, ClockRule::kSecondField, false};
inline constexpr AtFlavour kCommanderCommandFlavour{{false, true}, ClockRule::kSecondField, true};

struct AtChannel {
    AtChannel(platform::Devices& devices, platform::Clock& clock,
              AtProgram program = AtProgram::kManager)
        : devices(devices), clock(clock), program(program) {}
    AtChannel(const AtChannel&) = delete;
    AtChannel& operator=(const AtChannel&) = delete;

    // Keeps at most kMaxPortNameChars characters (the name is read into 260 bytes).
    void SetPortName(platform::WideView name);

    platform::Devices& devices;
    platform::Clock& clock;
    const AtProgram program;
    platform::WideString port_name;

    // One area per operation, each valid until the next call of the same operation.
    char command_reply[kReplyAreaSize] = {};
    char line_reply[kReplyAreaSize] = {};
    char raw_reply[kReplyAreaSize] = {};
    ConversionAreas conversion;

    // Set by a program that must not wait long (qmx2ctl): after the first transaction that ran
    // out of time hearing nothing but its echo, or that a flood of bytes cut, every later one
    // fails at once with "Comm failure(timeout)", so a silent or flooding card ends a command
    // within one time-out rather than one per command sent.
    bool stop_after_timeout = false;
    std::atomic<bool> timed_out{false};

    // What ended the last transaction of any operation, for diagnostics and tests.
    StopRule last_rule = StopRule::kNone;
    bool last_overflowed = false;  // the reply did not fit and was cut (see RunAtTransaction)
};

// The manager's command operation, or the commander's when the channel belongs to the commander.
// `command` is written, then a lone CR. CR, LF, Ctrl-Z and ESC inside the command are left out,
// so that no text put into a command can end it early and run a second one. `expected` is what
// most stop rules require as well. `timeout_s` is in whole seconds. Returns the channel's
// command reply area.
const char* SendAtCommand(AtChannel& channel, std::string_view command, std::string_view expected,
                          int timeout_s);

// The manager's message-submit operation: like SendAtCommand without the "+CMS ERROR:" rule,
// counting time within the minute.
const char* SendAtLine(AtChannel& channel, std::string_view command, std::string_view expected,
                       int timeout_s);

// Writes the `length` bytes of `data` (the message text with its Ctrl-Z) and no CR; a prompt
// only ends it with "CMGS" or "CMGW" in the reply. Ctrl-Z and ESC are written only as the last
// byte: one inside the text would end or abort it there and the rest would run as commands.
const char* SendAtRaw(AtChannel& channel, const void* data, size_t length,
                      std::string_view expected, int timeout_s);

// The transaction under all operations, writing its reply into `area` (kReplyAreaSize bytes).
//
// NUL bytes from the card are left out of the reply, which is a C string, and out of what the
// stop rules see. A reply longer than kMaxReplyText is cut there: the rest is still read
// and checked against the stop rules, so the card's leftovers do not spill into the next
// transaction, the clock is then consulted after every byte so that a card that never stops
// talking still ends by the time-out, and the transaction always ends with
// "Comm failure(timeout)" behind the cut reply.
const char* RunAtTransaction(AtChannel& channel, const AtFlavour& flavour, char* area,
                             const void* data, size_t length, std::string_view expected,
                             int timeout_s);

// Seconds from `start` to `now` by the rule. Whole seconds wrap at the hour, second fields at the
// minute.
int ElapsedSeconds(ClockRule rule, const platform::WallTime& start, const platform::WallTime& now);

// The time-out actually applied: the elapsed count of a rule can never exceed its period minus
// one, so a longer time-out would never expire and a silent card would hold the port for ever.
int EffectiveTimeout(ClockRule rule, int timeout_s);

// True when `reply` is one of the failure texts or ends in one.
bool IsCommFailure(std::string_view reply);

}  // namespace qmx2::common

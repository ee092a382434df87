// One AT command transaction on the card's port, for every operation of the manager and the
// commander's copy.
#include "common/at_transaction.h"

#include "common/reply_area.h"
#include "platform/comm_types.h"
#include "platform/device_file.h"

namespace qmx2::common {
namespace {

using platform::DCB;
using platform::DeviceFile;

constexpr char kTerminator = '\r';
constexpr unsigned char kCtrlZ = 0x1A;
constexpr unsigned char kEscape = 0x1B;

// The line every transaction applies on top of what the port reports.
void SetLine(DCB& dcb) {
    dcb.BaudRate = kLineBaudRate;
    dcb.ByteSize = 8;
    dcb.Parity = platform::NOPARITY;
    dcb.StopBits = platform::ONESTOPBIT;
    dcb.fParity = 0;
    dcb.fDtrControl = platform::DTR_CONTROL_DISABLE;
}

// Read time-outs of one byte per 500 ms; the write time-outs stay as the port has them unless
// it has none.
void SetTimeouts(DeviceFile& port) {
    platform::COMMTIMEOUTS t{};
    port.GetCommTimeouts(&t);
    t.ReadIntervalTimeout = 0;
    t.ReadTotalTimeoutMultiplier = kReadTimeoutPerByteMs;
    t.ReadTotalTimeoutConstant = 0;
    if (t.WriteTotalTimeoutMultiplier == 0 && t.WriteTotalTimeoutConstant == 0) {
        t.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
        t.WriteTotalTimeoutConstant = kWriteTimeoutConstantMs;
    }
    port.SetCommTimeouts(t);
}

// A byte that would end the command line early (and let the rest run as a second command) or
// end or abort the message text before its last byte.
bool BreaksCommand(unsigned char b, bool command_line, bool last) {
    if (b == kCtrlZ || b == kEscape) return command_line || !last;
    return command_line && (b == '\r' || b == '\n');
}

// One write that the port took whole. After a write cut short by its time-out, or failed,
// nothing more is written: the rest of a command, or its terminator, must not follow a part
// of it.
bool WriteAll(DeviceFile& port, const void* data, uint32_t length) {
    uint32_t written = 0;
    return port.Write(data, length, &written) && written == length;
}

// Writes the data in runs between the bytes that BreaksCommand leaves out; clean data is one
// write.
bool WriteWithoutBreaks(DeviceFile& port, const unsigned char* data, size_t length,
                        bool command_line) {
    size_t run = 0;
    for (size_t i = 0; i < length; ++i) {
        if (!BreaksCommand(data[i], command_line, i + 1 == length)) continue;
        if (i > run && !WriteAll(port, data + run, static_cast<uint32_t>(i - run))) return false;
        run = i + 1;
    }
    if (length > run || length == 0)
        return WriteAll(port, data + run, static_cast<uint32_t>(length - run));
    return true;
}

// Reads until a stop rule holds, the time runs out or reading fails.
void CollectReply(AtChannel& channel, const AtFlavour& flavour, DeviceFile& port,
                  ReplyArea& reply, std::string_view expected, int timeout_s) {
    StopRuleEngine rules(flavour.rules, expected);
    const int limit = EffectiveTimeout(flavour.clock_rule, timeout_s);
    const platform::WallTime start = channel.clock.LocalTime();
    for (;;) {
        unsigned char byte = 0;
        uint32_t got = 0;
        if (!port.Read(&byte, 1, &got)) {
            reply.AppendText(kFailTimeout);
            return;
        }
        bool consult_clock = got == 0;
        if (got != 0 && byte != 0) {
            rules.Feed(byte);
            // Once the area is full, a card that never pauses must still meet the time-out.
            if (!reply.Append(static_cast<char>(byte))) consult_clock = true;
        }
        if (consult_clock &&
            ElapsedSeconds(flavour.clock_rule, start, channel.clock.LocalTime()) > limit) {
            reply.AppendText(kFailTimeout);
            return;
        }
        const StopRule rule = rules.Check();
        if (rule != StopRule::kNone) {
            channel.last_rule = rule;
            if (reply.overflowed()) reply.AppendText(kFailTimeout);
            return;
        }
    }
}

}  // namespace

void AtChannel::SetPortName(platform::WideView name) {
    port_name.assign(name.substr(0, kMaxPortNameChars));
}

int ElapsedSeconds(ClockRule rule, const platform::WallTime& start, const platform::WallTime& now) {
    if (rule == ClockRule::kSecondField) {
        const int d = now.second - start.second;
        return d < 0 ? d + 60 : d;
    }
    const int d = (now.minute * 60 + now.second) - (start.minute * 60 + start.second);
    return d < 0 ? d + 3600 : d;
}

int EffectiveTimeout(ClockRule rule, int timeout_s) {
    const int period = rule == ClockRule::kSecondField ? 60 : 3600;
    return timeout_s > period - 2 ? period - 2 : timeout_s;
}

bool IsCommFailure(std::string_view reply) {
    for (std::string_view f : {kFailOpenComm, kFailGetCommState, kFailSetCommState, kFailTimeout})
        if (reply.ends_with(f)) return true;
    return false;
}

const char* RunAtTransaction(AtChannel& channel, const AtFlavour& flavour, char* area,
                             const void* data, size_t length, std::string_view expected,
                             int timeout_s) {
    ReplyArea reply(area, kReplyAreaSize, kMaxReplyText);
    channel.last_rule = StopRule::kNone;
    channel.last_overflowed = false;
    if (channel.stop_after_timeout && channel.timed_out) {
        reply.Set(kFailTimeout);
        return area;
    }

    DeviceFile port;
    constexpr uint32_t kReadWrite = platform::GENERIC_READ | platform::GENERIC_WRITE;
    if (!port.Open(channel.devices, channel.port_name, kReadWrite, 0)) {
        reply.Set(kFailOpenComm);
        return area;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!port.GetCommState(&dcb)) {
        reply.Set(kFailGetCommState);
        return area;  // the port closes with its handle
    }
    SetLine(dcb);
    if (!port.SetCommState(dcb)) {
        reply.Set(kFailSetCommState);
        return area;
    }
    port.SetCommMask(platform::EV_RXCHAR);
    SetTimeouts(port);

    // A failed write is not reported by itself: the card heard nothing, so the reply times out.
    if (WriteWithoutBreaks(port, static_cast<const unsigned char*>(data), length,
                           flavour.write_terminator) &&
        flavour.write_terminator)
        WriteAll(port, &kTerminator, 1);

    CollectReply(channel, flavour, port, reply, expected, timeout_s);
    channel.last_overflowed = reply.overflowed();
    port.Close();
    // Only a card that said nothing but the echo, or would not stop talking, counts: a reply that
    // came in part (a time-out of one second running out at a second's turn) is no sign of it.
    if (const std::string_view text(area); text.ends_with(kFailTimeout)) {
        std::string_view heard = text.substr(0, text.size() - (sizeof(kFailTimeout) - 1));
        while (!heard.empty() && (heard.back() == '\r' || heard.back() == '\n')) heard.remove_suffix(1);
        const std::string_view sent(static_cast<const char*>(data), length);
        if (heard.empty() || sent.starts_with(heard) || channel.last_overflowed) channel.timed_out = true;
    }
    return area;
}

const char* SendAtCommand(AtChannel& channel, std::string_view command, std::string_view expected,
                          int timeout_s) {
    const AtFlavour& flavour = channel.program == AtProgram::kCommander ? kCommanderCommandFlavour
                                                                         : kManagerCommandFlavour;
    return RunAtTransaction(channel, flavour, channel.command_reply, command.data(), command.size(),
                            expected, timeout_s);
}

const char* SendAtLine(AtChannel& channel, std::string_view command, std::string_view expected,
                       int timeout_s) {
    return RunAtTransaction(channel, kManagerLineFlavour, channel.line_reply, command.data(),
                            command.size(), expected, timeout_s);
}

const char* SendAtRaw(AtChannel& channel, const void* data, size_t length,
                      std::string_view expected, int timeout_s) {
    return RunAtTransaction(channel, kManagerRawFlavour, channel.raw_reply, data, length, expected,
                            timeout_s);
}

}  // namespace qmx2::common

// Live control of a running card, one text line per command and one line per answer, for the
// control socket and for tests:
//
//   deliver NUMBER "TEXT"   a message arrives from the network    -> OK INDEX | ERROR memory full
//   signal RSSI             +CSQ strength 0..31, 99 unknown        -> OK
//   operator CODE           the card registers with an operator    -> OK | ERROR not in reach
//   fill-memory             every free message slot gets a message -> OK COUNT
//   pull | insert           the card leaves or enters the slot      -> OK
//   power on | power off    the card's power                        -> OK
//   hangup                  the other end of a data call hangs up   -> OK
//   sent N                  the Nth message sent (1 = first)        -> OK NUMBER "TEXT" | ERROR
//   status                  -> OK powered=1 inserted=1 messages=3/30 operator=24405 signal=20 sent=0
//
// Texts are quoted; inside them \" \\ \n \r stand for themselves.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qmx2::hardware::card {

class Phone;

// What a card offers its live control. The in-process card port is one; a device host that
// puts the phone behind an emulated UART can be another.
class ControlTarget {
public:
    virtual ~ControlTarget() = default;
    // Runs fn with the phone under the owner's lock, then lets waiting readers see new output.
    virtual void Locked(const std::function<void(Phone&)>& fn) = 0;
    virtual void SetPowered(bool on) = 0;
    virtual bool powered() = 0;
    virtual void Pull() = 0;
    virtual void Insert() = 0;
    virtual bool inserted() = 0;
};

// Runs one command line against the card; the answer line has no line end.
std::string RunControlCommand(ControlTarget& card, std::string_view line);

// A quoted text with its escapes resolved, or nothing when it is not one.
std::optional<std::string> UnquoteControlText(std::string_view quoted);
std::string QuoteControlText(std::string_view text);

}  // namespace qmx2::hardware::card

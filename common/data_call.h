// The data-call bearer and speed: the fifteen modem initialisation commands that the manager's
// "Modem" page and the commander's speed menu choose between, how a stored command is read
// back, and the two registry places both programs write.
#pragma once

#include <cstdint>

namespace qmx2::platform {
class Registry;
}

namespace qmx2::common {

enum DataCallMethod : int { kMethodModem = 0, kMethodIsdnV110 = 1, kMethodIsdnV120 = 2 };
inline constexpr int kDataCallMethods = 3;
inline constexpr int kDataCallSpeeds = 5;  // 9.6, 14.4, 19.2, 28.8, 43.2 kbit/s

struct DataCallSetting {
    int method = kMethodModem;
    int speed = 0;
};

// "AT+CBST=..;+CHSN=.." for a method and speed index (both clamped into range).
const char* DataCallCommand(DataCallSetting s);
const char* DataCallMethodName(int method);        // "Modem", "ISDN v.110", "ISDN v.120"
const char* ReceivingSpeedText(int speed);         // "Receiving up to 9.6 kbit/s" ...
const char* SendingSpeedText(int speed);           // "Sending up to 9.6 kbit/s" ...

// Reads a setting from a stored command by its full bearer and speed texts ("AT+CBST=71,0,1;",
// "+CHSN=2,0,0,0"); no match reads as method 0 or speed 0. An empty or null text is the
// default command.
DataCallSetting ReadDataCallSetting(const char* command);
// The polling pass's reading, by the shorter texts ("71,0,1", "2,0,0,0").
DataCallSetting ReadDataCallSettingShort(const char* command);

// The window message that tells the commander about a new setting: 5025 + 5 x method + speed.
inline constexpr uint32_t kFirstSpeedMessage = 5025;
inline constexpr uint32_t kLastSpeedMessage = 5039;
uint32_t DataCallMessage(DataCallSetting s);
// The setting a message stands for; false for a message outside 5025..5039.
bool DataCallSettingFromMessage(uint32_t message, DataCallSetting* s);

// Writes "ATModemCmd" under "Software\Orvan\QMX2" and the command followed by "<cr>" as value
// "3" under the card's "Init" key. A key that cannot be opened is skipped; returns how many of
// the two places were written.
int StoreDataCallCommand(platform::Registry& registry, const char* command);

}  // namespace qmx2::common

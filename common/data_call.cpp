// The data-call command table and its registry places.
#include "common/data_call.h"

#include <cstring>

#include "platform/registry.h"
#include "platform/text.h"

namespace qmx2::common {
namespace {

constexpr const char* kCommands[kDataCallSpeeds][kDataCallMethods] = {
    {"AT+CBST=0,0,1;+CHSN=1,0,0,0", "AT+CBST=71,0,1;+CHSN=1,0,0,0", "AT+CBST=39,0,1;+CHSN=1,0,0,0"},
    {"AT+CBST=0,0,1;+CHSN=2,0,0,0", "AT+CBST=81,0,1;+CHSN=2,0,0,0", "AT+CBST=51,0,1;+CHSN=2,0,0,0"},
    {"AT+CBST=0,0,1;+CHSN=3,0,0,0", "AT+CBST=81,0,1;+CHSN=3,0,0,0", "AT+CBST=51,0,1;+CHSN=3,0,0,0"},
    {"AT+CBST=0,0,1;+CHSN=4,0,0,0", "AT+CBST=81,0,1;+CHSN=4,0,0,0", "AT+CBST=51,0,1;+CHSN=4,0,0,0"},
    {"AT+CBST=0,0,1;+CHSN=6,0,0,0", "AT+CBST=81,0,1;+CHSN=6,0,0,0", "AT+CBST=51,0,1;+CHSN=6,0,0,0"},
};

constexpr const char* kMethodNames[kDataCallMethods] = {"Modem", "ISDN v.110", "ISDN v.120"};

constexpr const char* kReceiving[kDataCallSpeeds] = {
    "Receiving up to 9.6 kbit/s", "Receiving up to 14.4 kbit/s", "Receiving up to 19.2 kbit/s",
    "Receiving up to 28.8 kbit/s", "Receiving up to 43.2 kbit/s"};
constexpr const char* kSending[kDataCallSpeeds] = {
    "Sending up to 9.6 kbit/s", "Sending up to 14.4 kbit/s", "Sending up to 19.2 kbit/s",
    "Sending up to 28.8 / 9.6 kbit/s", "Sending up to 14.4 kbit/s"};

// Bearer texts per method (first the 9.6 kbit/s bearer, then the faster one) and speed texts,
// in the long form of the stored command and the short form of the polling pass.
struct Patterns {
    const char* bearer[kDataCallMethods][2];
    const char* speed[kDataCallSpeeds];
};
constexpr Patterns kLong = {
    {{"AT+CBST=0,0,1;", "AT+CBST=0,0,1;"},
     {"AT+CBST=71,0,1;", "AT+CBST=81,0,1;"},
     {"AT+CBST=39,0,1;", "AT+CBST=51,0,1;"}},
    {"+CHSN=1,0,0,0", "+CHSN=2,0,0,0", "+CHSN=3,0,0,0", "+CHSN=4,0,0,0", "+CHSN=6,0,0,0"}};
constexpr Patterns kShort = {
    {{"0,0,1", "0,0,1"}, {"71,0,1", "81,0,1"}, {"39,0,1", "51,0,1"}},
    {"1,0,0,0", "2,0,0,0", "3,0,0,0", "4,0,0,0", "6,0,0,0"}};

int Clamp(int v, int n) { return v < 0 ? 0 : (v >= n ? n - 1 : v); }

DataCallSetting Read(const char* command, const Patterns& p) {
    if (!command || !*command) command = kCommands[0][0];
    DataCallSetting s;
    for (int m = 0; m < kDataCallMethods; ++m) {
        if (std::strstr(command, p.bearer[m][0]) || std::strstr(command, p.bearer[m][1])) {
            s.method = m;
            break;
        }
    }
    for (int i = 0; i < kDataCallSpeeds; ++i) {
        if (std::strstr(command, p.speed[i])) {
            s.speed = i;
            break;
        }
    }
    return s;
}

bool WriteText(platform::Registry& reg, const char16_t* key_path, const char16_t* name,
               const platform::WideString& text) {
    platform::RegKey key = 0;
    if (reg.CreateKey(platform::HKEY_LOCAL_MACHINE, key_path, &key) != 0) return false;
    const uint32_t bytes = static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t));
    const bool ok = reg.SetValue(key, name, platform::REG_SZ, text.c_str(), bytes) == 0;
    reg.CloseKey(key);
    return ok;
}

}  // namespace

const char* DataCallCommand(DataCallSetting s) {
    return kCommands[Clamp(s.speed, kDataCallSpeeds)][Clamp(s.method, kDataCallMethods)];
}
const char* DataCallMethodName(int method) { return kMethodNames[Clamp(method, kDataCallMethods)]; }
const char* ReceivingSpeedText(int speed) { return kReceiving[Clamp(speed, kDataCallSpeeds)]; }
const char* SendingSpeedText(int speed) { return kSending[Clamp(speed, kDataCallSpeeds)]; }

DataCallSetting ReadDataCallSetting(const char* command) { return Read(command, kLong); }
DataCallSetting ReadDataCallSettingShort(const char* command) { return Read(command, kShort); }

uint32_t DataCallMessage(DataCallSetting s) {
    return kFirstSpeedMessage + 5u * static_cast<uint32_t>(Clamp(s.method, kDataCallMethods)) +
           static_cast<uint32_t>(Clamp(s.speed, kDataCallSpeeds));
}

bool DataCallSettingFromMessage(uint32_t message, DataCallSetting* s) {
    if (message < kFirstSpeedMessage || message > kLastSpeedMessage) return false;
    const uint32_t n = message - kFirstSpeedMessage;
    s->method = static_cast<int>(n / 5);
    s->speed = static_cast<int>(n % 5);
    return true;
}

int StoreDataCallCommand(platform::Registry& registry, const char* command) {
    platform::WideString text;
    for (const char* c = command; c && *c; ++c)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
    int written = 0;
    if (WriteText(registry, u"Software\\Orvan\\QMX2", u"ATModemCmd", text)) ++written;
    if (WriteText(registry, u"Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D\\Init", u"3",
                  text + u"<cr>"))
        ++written;
    return written;
}

}  // namespace qmx2::common

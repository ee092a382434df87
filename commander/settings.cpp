// Reading and writing the commander's registry values.
#include "commander/settings.h"

#include "common/data_call.h"
#include "platform/comm_types.h"
#include "platform/registry.h"

namespace qmx2::commander {
namespace {

using platform::HKEY_LOCAL_MACHINE;
using platform::RegKey;
using platform::Registry;
using platform::WideString;
using platform::WideView;

constexpr WideView kProgramKey = u"Software\\Orvan\\QMX2";
constexpr WideView kDriverKey = u"Software\\Orvan\\SERQMX2";
constexpr WideView kActiveKey = u"Drivers\\Active";
constexpr std::u16string_view kCardPnpId = u"Orvan_Mobile_Phones-Orvan_Pellion";
constexpr uint32_t kNameBytes = 260;
constexpr uint32_t kKeyNameChars = 256;  // the registry's longest name and its terminator

// A text value read into `bytes` bytes, without its terminator; nothing when it is missing,
// is not text or does not fit.
std::optional<WideString> ReadText(Registry& r, RegKey key, WideView name, uint32_t bytes) {
    WideString buffer(bytes / 2, u'\0');
    uint32_t type = 0;
    uint32_t size = bytes;
    if (r.QueryValue(key, name, &type, buffer.data(), &size) != platform::ERROR_SUCCESS ||
        type != platform::REG_SZ)
        return std::nullopt;
    buffer.resize(std::min<size_t>(size / 2, buffer.size()));
    const size_t end = buffer.find(u'\0');
    if (end != WideString::npos) buffer.resize(end);
    return buffer;
}

std::optional<WideString> ReadTextAt(Registry& r, WideView path, WideView name, uint32_t bytes) {
    RegKey key = 0;
    if (r.OpenKey(HKEY_LOCAL_MACHINE, path, &key) != platform::ERROR_SUCCESS) return std::nullopt;
    std::optional<WideString> text = ReadText(r, key, name, bytes);
    r.CloseKey(key);
    return text;
}

void WriteValue(Registry& r, WideView path, WideView name, uint32_t type, const void* data,
                uint32_t size) {
    RegKey key = 0;
    if (r.CreateKey(HKEY_LOCAL_MACHINE, path, &key) != platform::ERROR_SUCCESS) return;
    r.SetValue(key, name, type, data, size);
    r.CloseKey(key);
}

std::string Narrow(WideView text) {
    std::string s;
    for (char16_t c : text) s.push_back(static_cast<char>(c & 0xFF));
    return s;
}

}  // namespace

CommanderSettings ReadSettings(Registry& r) {
    CommanderSettings s;
    if (auto cmd = ReadTextAt(r, kProgramKey, u"ATModemCmd", 100); cmd && !cmd->empty())
        s.modem_command = Narrow(cmd->substr(0, kMaxModemCommand));
    s.run_at_event = ReadTextAt(r, kProgramKey, u"NotifyFlag", 100) == WideString(u"On");
    RegKey key = 0;
    if (r.OpenKey(HKEY_LOCAL_MACHINE, kDriverKey, &key) == platform::ERROR_SUCCESS) {
        uint32_t type = 0, value = 0, size = sizeof value;
        if (r.QueryValue(key, u"autopowerup", &type, &value, &size) == platform::ERROR_SUCCESS &&
            type == platform::REG_DWORD && size == sizeof value)
            s.auto_power_up = value;
        r.CloseKey(key);
    }
    return s;
}

void WriteRunAtEventFlag(Registry& r, bool on) {
    const WideView text = on ? u"On" : u"Off";
    WriteValue(r, kProgramKey, u"NotifyFlag", platform::REG_SZ, text.data(),
               static_cast<uint32_t>((text.size() + 1) * 2));
}

void WriteAutoPowerUp(Registry& r, uint32_t value) {
    WriteValue(r, kDriverKey, u"autopowerup", platform::REG_DWORD, &value, sizeof value);
}

std::string_view SpeedCommand(int index) {
    if (index < 0 || index >= common::kDataCallMethods * common::kDataCallSpeeds) return {};
    return common::DataCallCommand({index / common::kDataCallSpeeds, index % common::kDataCallSpeeds});
}

int SpeedIndexOf(std::string_view command) {
    for (int i = 0; i < common::kDataCallMethods * common::kDataCallSpeeds; ++i)
        if (SpeedCommand(i) == command) return i;
    return -1;
}

void StoreSpeed(Registry& r, int index) {
    const std::string command(SpeedCommand(index));
    if (!command.empty()) common::StoreDataCallCommand(r, command.c_str());
}

std::optional<WideString> FindCardPort(Registry& r) {
    RegKey active = 0;
    if (r.OpenKey(HKEY_LOCAL_MACHINE, kActiveKey, &active) != platform::ERROR_SUCCESS)
        return std::nullopt;
    std::optional<WideString> port;
    for (uint32_t i = 0; !port; ++i) {
        platform::WideChar name[kKeyNameChars];
        uint32_t chars = kKeyNameChars;
        if (r.EnumKey(active, i, name, &chars) != platform::ERROR_SUCCESS) break;
        RegKey sub = 0;
        if (r.OpenKey(active, WideView(name, chars), &sub) != platform::ERROR_SUCCESS) continue;
        const std::optional<WideString> pnp = ReadText(r, sub, u"PnpId", kNameBytes);
        if (pnp && pnp->find(kCardPnpId) != WideString::npos) port = ReadText(r, sub, u"Name", kNameBytes);
        r.CloseKey(sub);
    }
    r.CloseKey(active);
    return port;
}

}  // namespace qmx2::commander

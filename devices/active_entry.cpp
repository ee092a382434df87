// Writing and removing the card's "Drivers\Active" entry.
#include "devices/active_entry.h"

#include <cstdio>
#include <vector>

#include "platform/comm_types.h"
#include "platform/devices.h"

namespace qmx2::devices {

using namespace qmx2::platform;

namespace {

constexpr int kMaxEntries = 99;

uint32_t SetText(Registry& r, RegKey key, WideView name, WideView text) {
    WideString data(text);
    data.push_back(0);
    return r.SetValue(key, name, REG_SZ, data.data(),
                      static_cast<uint32_t>(data.size() * sizeof(char16_t)));
}

// A REG_SZ value of at most 260 bytes, as the programs read it; empty when missing.
WideString GetText(Registry& r, RegKey key, WideView name) {
    char16_t buf[130] = {};
    uint32_t type = 0, size = sizeof(buf) - sizeof(char16_t);
    if (r.QueryValue(key, name, &type, buf, &size) != ERROR_SUCCESS || type != REG_SZ) return {};
    return WideString(buf);
}

WideString SubkeyPath(WideView name) {
    WideString p(kActiveDriversKey);
    p += u"\\";
    p += name;
    return p;
}

std::vector<WideString> SubkeyNames(Registry& r, RegKey active) {
    std::vector<WideString> names;
    for (uint32_t i = 0;; ++i) {
        char16_t buf[64];
        uint32_t n = 64;
        if (r.EnumKey(active, i, buf, &n) != ERROR_SUCCESS) break;
        names.emplace_back(buf, n);
    }
    return names;
}

}  // namespace

uint32_t WriteActiveEntry(Registry& r, WideView device_name, const CardIdentity& card,
                          WideString* subkey) {
    RegKey active = 0;
    uint32_t rc = r.CreateKey(HKEY_LOCAL_MACHINE, kActiveDriversKey, &active);
    if (rc != ERROR_SUCCESS) return rc;
    for (const WideString& name : SubkeyNames(r, active)) {
        RegKey k = 0;
        if (r.OpenKey(active, name, &k) != ERROR_SUCCESS) continue;
        const bool stale = SameDeviceName(GetText(r, k, u"Name"), device_name);
        r.CloseKey(k);
        if (stale) r.DeleteKey(active, name);
    }
    RegKey entry = 0;
    WideString chosen;
    for (int n = 1; n <= kMaxEntries && !entry; ++n) {
        char digits[4];
        std::snprintf(digits, sizeof(digits), "%02d", n);
        const WideString name = FromUtf8(digits);
        RegKey k = 0;
        bool created = false;
        if (r.OpenKey(active, name, &k) == ERROR_SUCCESS) {
            r.CloseKey(k);
            continue;
        }
        rc = r.CreateKey(active, name, &k, &created);
        if (rc != ERROR_SUCCESS) break;
        if (!created) {
            r.CloseKey(k);
            continue;
        }
        entry = k;
        chosen = name;
    }
    r.CloseKey(active);
    if (!entry) return rc != ERROR_SUCCESS ? rc : ERROR_ALREADY_EXISTS;
    const uint8_t socket[2] = {static_cast<uint8_t>(card.socket),
                               static_cast<uint8_t>(card.socket >> 8)};
    if ((rc = SetText(r, entry, u"Name", device_name)) == ERROR_SUCCESS &&
        (rc = SetText(r, entry, u"PnpId", card.pnp_id)) == ERROR_SUCCESS &&
        (rc = SetText(r, entry, u"Key", card.driver_key)) == ERROR_SUCCESS)
        rc = r.SetValue(entry, u"Sckt", REG_BINARY, socket, sizeof(socket));
    r.CloseKey(entry);
    *subkey = SubkeyPath(chosen);
    if (rc != ERROR_SUCCESS) RemoveActiveEntry(r, *subkey);
    return rc;
}

uint32_t RemoveActiveEntry(Registry& r, WideView subkey) {
    const uint32_t rc = r.DeleteKey(HKEY_LOCAL_MACHINE, subkey);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

WideString FindActiveDevice(Registry& r, WideView pnp_part) {
    RegKey active = 0;
    if (r.OpenKey(HKEY_LOCAL_MACHINE, kActiveDriversKey, &active) != ERROR_SUCCESS) return {};
    WideString found;
    for (const WideString& name : SubkeyNames(r, active)) {
        RegKey k = 0;
        if (r.OpenKey(active, name, &k) != ERROR_SUCCESS) continue;
        if (GetText(r, k, u"PnpId").find(pnp_part) != WideString::npos)
            found = GetText(r, k, u"Name");
        r.CloseKey(k);
        if (!found.empty()) break;
    }
    r.CloseKey(active);
    return found;
}

}  // namespace qmx2::devices

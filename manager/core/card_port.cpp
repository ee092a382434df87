// The card's port: the active-driver search, the free-port test and the power query.
#include "manager/core/card_port.h"

#include "platform/comm_types.h"
#include "platform/device_file.h"
#include "platform/registry.h"

namespace qmx2::manager {
namespace {

constexpr uint32_t kValueBufferBytes = 260;

// A string value read into a 260-byte buffer; empty when absent or not a string that fits.
platform::WideString ReadString(platform::Registry& registry, platform::RegKey key,
                                platform::WideView name) {
    char16_t data[kValueBufferBytes / 2] = {};
    uint32_t size = kValueBufferBytes;
    uint32_t type = 0;
    if (registry.QueryValue(key, name, &type, data, &size) != platform::ERROR_SUCCESS ||
        type != platform::REG_SZ)
        return {};
    std::size_t n = 0;
    while (n < size / 2 && n < kValueBufferBytes / 2 && data[n] != 0) ++n;
    return platform::WideString(data, n);
}

}  // namespace

bool FindCardPort(ManagerContext& ctx) {
    platform::Registry& reg = ctx.registry;
    platform::RegKey active = 0;
    if (reg.OpenKey(platform::HKEY_LOCAL_MACHINE, u"Drivers\\Active", &active) !=
        platform::ERROR_SUCCESS)
        return false;
    bool found = false;
    for (uint32_t index = 0; !found; ++index) {
        char16_t sub_name[256];
        uint32_t chars = 256;
        const uint32_t rc = reg.EnumKey(active, index, sub_name, &chars);
        if (rc == platform::ERROR_MORE_DATA) continue;
        if (rc != platform::ERROR_SUCCESS) break;
        platform::RegKey sub = 0;
        if (reg.OpenKey(active, platform::WideView(sub_name, chars), &sub) != platform::ERROR_SUCCESS)
            continue;
        const platform::WideString pnp = ReadString(reg, sub, u"PnpId");
        const platform::WideString name = ReadString(reg, sub, u"Name");
        reg.CloseKey(sub);
        // An entry left behind by a device host that was killed names a port nobody serves.
        if (pnp.find(kCardPnpId) != platform::WideString::npos && !name.empty() &&
            ctx.devices.Find(name)) {
            ctx.channel.SetPortName(name);
            found = true;
        }
    }
    reg.CloseKey(active);
    return found;
}

bool PortIsFree(ManagerContext& ctx) {
    platform::DeviceFile port;
    return port.Open(ctx.devices, ctx.channel.port_name,
                     platform::GENERIC_READ | platform::GENERIC_WRITE, 0);
}

int CardPoweredUp(ManagerContext& ctx) {
    platform::DeviceFile port;
    if (!port.Open(ctx.devices, ctx.channel.port_name, 0, 0)) return -1;
    const uint8_t in = 1;
    uint32_t out = 0;
    uint32_t returned = 0;
    if (!port.IoControl(platform::IOCTL_CARD_IS_POWERED, &in, 1, &out, sizeof out, &returned))
        return 255;
    return out == 1 ? 1 : 0;
}

}  // namespace qmx2::manager

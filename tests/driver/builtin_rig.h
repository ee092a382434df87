// A built-in port on the emulated controller, on a virtual clock: the controller's bus, the
// services the layer maps it through (with their interrupt controller), a far side that
// records what the port sends.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/builtin/builtin_interrupts.h"
#include "driver/builtin/builtin_port.h"
#include "hardware/dmauart/bus_port_services.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "tests/driver/memory_registry.h"

namespace qmx2::driver::testing {

inline constexpr char16_t kBuiltInActiveKey[] = u"Drivers\\Active\\03";
inline constexpr char16_t kBuiltInDriverKey[] = u"Drivers\\BuiltIn\\Serial";

struct RecordingFarSide : hardware::SerialPeer {
    void OnByteFromUart(uint8_t b) override {
        std::lock_guard lk(mu);
        got.push_back(static_cast<char>(b));
    }
    std::string Got() {
        std::lock_guard lk(mu);
        return got;
    }
    std::mutex mu;
    std::string got;
};

// libserqmx2's objects 0 and 2: the built-in ports.
inline const HardwareObjectTable& BuiltInHardwareTable() {
    static const HardwareObject objects[3] = {
        {kBindThreadForLife, 19, &kBuiltInOps}, {0, 0, nullptr}, {kBindThreadForLife, 25, &kBuiltInOps}};
    static const HardwareObjectTable table = {"serqmx2.dll", 3, objects};
    return table;
}

struct BuiltInRig {
    BuiltInRig()
        : clock(platform::MakeVirtualClock()), bus(*clock), services(*clock, bus), interrupts(&services) {
        services.notification = [this](uint32_t e) {
            std::lock_guard lk(mu);
            notifications.push_back(e);
        };
        for (int i = 0; i < dmauart::kPortCount; ++i)
            bus.WithController([&](hardware::DmaUartController& c, uint64_t) { c.SetPeer(i, &far[i]); });
        env.clock = clock.get();
        env.registry = &registry;
        env.interrupts = &interrupts;
        env.hardware = &BuiltInHardwareTable();
        env.builtin = &services;
    }
    ~BuiltInRig() { services.StopInterrupts(); }

    // The far side's lines and bytes.
    void Lines(int port, hardware::PeerLines lines) {
        bus.WithController([&](hardware::DmaUartController& c, uint64_t now) { c.SetPeerLines(port, lines, now); });
    }
    void Send(int port, const std::string& bytes, bool framing_error = false) {
        bus.WithController([&](hardware::DmaUartController& c, uint64_t now) {
            c.SendFromPeer(port, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), now, framing_error);
        });
    }
    std::vector<uint32_t> Notifications() {
        std::lock_guard lk(mu);
        return notifications;
    }

    std::unique_ptr<platform::VirtualClock> clock;
    hardware::DmaUartBus bus;
    hardware::BusPortServices services;
    BuiltInInterrupts interrupts;
    MemoryRegistry registry;
    RecordingFarSide far[dmauart::kPortCount];
    DriverEnv env;
    std::mutex mu;
    std::vector<uint32_t> notifications;
};

// The whole stack on one built-in port: port layer, its dispatch thread, the layer, the
// controller; `open` is a read-write open of hardware object `object` (0 or 2).
struct BuiltInPortStack {
    explicit BuiltInPortStack(uint32_t object) : port(object == 0 ? 0 : 1) {
        rig.registry.SetText(kBuiltInActiveKey, u"Key", kBuiltInDriverKey);
        rig.registry.SetNumber(kBuiltInDriverKey, u"DeviceArrayIndex", object);
        device = PortInit(rig.env, kBuiltInActiveKey);
        if (device) open = PortOpenContext(device, platform::GENERIC_READ | platform::GENERIC_WRITE, 0);
    }
    ~BuiltInPortStack() {
        if (open) PortClose(open);
        if (device) PortDeinit(device);
        rig.services.StopInterrupts();
    }
    bool Control(uint32_t code, const void* in = nullptr, uint32_t in_length = 0, void* out = nullptr,
                 uint32_t out_length = 0) {
        uint32_t returned = 0;
        return PortIoControl(open, code, static_cast<const uint8_t*>(in), in_length, static_cast<uint8_t*>(out),
                             out_length, &returned);
    }
    void Timeouts(uint32_t interval, uint32_t multiplier, uint32_t constant, uint32_t write_constant = 0) {
        const platform::COMMTIMEOUTS t{interval, multiplier, constant, 0, write_constant};
        Control(platform::IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof(t));
    }
    platform::DCB Dcb() {
        platform::DCB d{};
        Control(platform::IOCTL_SERIAL_GET_DCB, nullptr, 0, &d, sizeof(d));
        return d;
    }
    bool SetDcb(const platform::DCB& d) { return Control(platform::IOCTL_SERIAL_SET_DCB, &d, sizeof(d)); }
    bool SetMask(uint32_t mask) { return Control(platform::IOCTL_SERIAL_SET_WAIT_MASK, &mask, sizeof(mask)); }
    std::string Read(uint32_t length) {
        std::string got(length, '\0');
        const int32_t n = PortRead(open, reinterpret_cast<uint8_t*>(got.data()), length);
        got.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return got;
    }
    int32_t Write(const std::string& bytes) {
        return PortWrite(open, reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
    }

    BuiltInRig rig;
    const int port;  // the controller's port behind the object
    PortDevice* device = nullptr;
    PortOpen* open = nullptr;
};

}  // namespace qmx2::driver::testing

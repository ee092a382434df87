// A built-in port on the emulated controller, on a virtual clock: the controller's bus, the
// services the layer maps it through (with their interrupt controller), a far side that
// records what the port sends.
#pragma once

#include <memory>
#include <mutex>
#include <string>

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

const HardwareObjectTable& BuiltInHardwareTable();

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

}  // namespace qmx2::driver::testing

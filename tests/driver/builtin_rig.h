// A built-in port on the emulated controller, on a virtual clock: the controller's bus, the
// services the layer maps it through, a far side that records what the port sends, and an
// interrupt controller whose lines are looked at every millisecond.
#pragma once

#include <memory>
#include <mutex>
#include <string>

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

// Interrupt events by identifier; a watcher sets a port's event while its line is up.
class PolledInterrupts : public InterruptController {
public:
    PolledInterrupts(platform::Clock& clock, hardware::DmaUartBus& bus) : clock_(clock), bus_(bus) {}
    ~PolledInterrupts() override { Stop(); }
    bool Initialize(uint32_t id, platform::Event* event, uint32_t) override {
        std::lock_guard lk(mu_);
        for (int i = 0; i < dmauart::kPortCount; ++i)
            if (dmauart::kPorts[i].interrupt_id == id) events_[i] = event;
        return true;
    }
    void Done(uint32_t) override {}
    void Disable(uint32_t id) override {
        std::lock_guard lk(mu_);
        for (int i = 0; i < dmauart::kPortCount; ++i)
            if (dmauart::kPorts[i].interrupt_id == id) events_[i] = nullptr;
    }
    void Raise(uint32_t id) {
        std::lock_guard lk(mu_);
        for (int i = 0; i < dmauart::kPortCount; ++i)
            if (dmauart::kPorts[i].interrupt_id == id && events_[i]) events_[i]->Set();
    }
    void Start() {
        thread_ = std::make_unique<platform::Thread>(clock_, [this] {
            for (;;) {
                bool quit = false;
                clock_.WaitFor([&] { return stop_; }, 1);
                clock_.Update([&] { quit = stop_; });
                if (quit) return;
                for (int i = 0; i < dmauart::kPortCount; ++i) {
                    if (!bus_.InterruptLine(i)) continue;
                    std::lock_guard lk(mu_);
                    if (events_[i]) events_[i]->Set();
                }
            }
        });
    }
    void Stop() {
        if (!thread_) return;
        clock_.Update([&] { stop_ = true; });
        thread_->Join();
        thread_.reset();
    }

private:
    platform::Clock& clock_;
    hardware::DmaUartBus& bus_;
    std::mutex mu_;
    platform::Event* events_[dmauart::kPortCount] = {};
    bool stop_ = false;  // guarded by the clock's lock
    std::unique_ptr<platform::Thread> thread_;
};

const HardwareObjectTable& BuiltInHardwareTable();

struct BuiltInRig {
    BuiltInRig() : clock(platform::MakeVirtualClock()), bus(*clock), services(bus), interrupts(*clock, bus) {
        services.notification = [this](uint32_t e) {
            std::lock_guard lk(mu);
            notifications.push_back(e);
        };
        services.raise_interrupt = [this](uint32_t id) { interrupts.Raise(id); };
        for (int i = 0; i < dmauart::kPortCount; ++i)
            bus.WithController([&](hardware::DmaUartController& c, uint64_t) { c.SetPeer(i, &far[i]); });
        env.clock = clock.get();
        env.registry = &registry;
        env.interrupts = &interrupts;
        env.hardware = &BuiltInHardwareTable();
        env.builtin = &services;
    }
    ~BuiltInRig() { interrupts.Stop(); }

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
    PolledInterrupts interrupts;
    MemoryRegistry registry;
    RecordingFarSide far[dmauart::kPortCount];
    DriverEnv env;
    std::mutex mu;
    std::vector<uint32_t> notifications;
};

}  // namespace qmx2::driver::testing

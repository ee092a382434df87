// The built-in port services of a host whose built-in ports are the emulated controller: memory
// and registers on its bus, interrupt events set while a port's line is up (looked at every
// millisecond of the platform clock while the lines are busy, every 10 ms while they are quiet),
// and the platform's events handed to whoever the host names.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hardware/dmauart/dma_uart_bus.h"
#include "platform/builtin_port_services.h"
#include "platform/sync.h"

namespace qmx2::hardware {

class BusPortServices : public platform::BuiltinPortServices {
public:
    BusPortServices(platform::Clock& clock, DmaUartBus& bus) : clock_(clock), bus_(bus) {}
    ~BusPortServices() override { StopInterrupts(); }

    uint8_t* MapMemory(uint32_t phys, uint32_t size) override { return bus_.Memory(phys, size); }
    void UnmapMemory(uint8_t*, uint32_t) override {}
    bool ReadRegister16(uint32_t phys, uint16_t* value) override { return bus_.Read16(phys, value); }
    bool WriteRegister16(uint32_t phys, uint16_t value) override { return bus_.Write16(phys, value); }
    bool InterruptInitialize(uint32_t id, platform::Event* event) override;
    void InterruptDone(uint32_t) override {}
    void InterruptDisable(uint32_t id) override { Bind(id, nullptr); }
    void RaiseInterruptEvents(const uint32_t* ids, uint32_t count) override;
    void SetNotificationEvent(uint32_t event) override {
        if (notification) notification(event);
    }
    bool WindowManagerReady() override { return window_manager_ready.load(); }
    void DebugOutput(const char* line) override;
    std::vector<std::string> DebugLines();
    // Ends the watch of the interrupt lines (before the clock goes).
    void StopInterrupts();

    // Set before the driver starts.
    std::function<void(uint32_t interrupt_id)> raised;  // told of every raise at power-on
    std::function<void(uint32_t event)> notification;   // e.g. RunAtEvents::Fire
    std::function<void(const char* line)> debug;       // e.g. the host's log
    std::atomic<bool> window_manager_ready{true};

private:
    bool Bind(uint32_t id, platform::Event* event);
    void Watch();

    platform::Clock& clock_;
    DmaUartBus& bus_;
    std::mutex mu_;
    std::vector<std::string> debug_lines_;
    platform::Event* events_[dmauart::kPortCount] = {};
    bool stop_ = false;  // guarded by the clock's lock
    std::unique_ptr<platform::Thread> watcher_;
};

}  // namespace qmx2::hardware

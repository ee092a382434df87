// The built-in port services of a host whose built-in ports are the emulated controller: memory
// and registers on its bus, and the platform's events handed to whoever the host names.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hardware/dmauart/dma_uart_bus.h"
#include "platform/builtin_port_services.h"

namespace qmx2::hardware {

class BusPortServices : public platform::BuiltinPortServices {
public:
    explicit BusPortServices(DmaUartBus& bus) : bus_(bus) {}

    uint8_t* MapMemory(uint32_t phys, uint32_t size) override { return bus_.Memory(phys, size); }
    void UnmapMemory(uint8_t*, uint32_t) override {}
    bool ReadRegister16(uint32_t phys, uint16_t* value) override { return bus_.Read16(phys, value); }
    bool WriteRegister16(uint32_t phys, uint16_t value) override { return bus_.Write16(phys, value); }
    void RaiseInterruptEvents(const uint32_t* ids, uint32_t count) override {
        for (uint32_t i = 0; i < count; ++i)
            if (raise_interrupt) raise_interrupt(ids[i]);
    }
    void SetNotificationEvent(uint32_t event) override {
        if (notification) notification(event);
    }
    bool WindowManagerReady() override { return window_manager_ready.load(); }
    void DebugOutput(const char* line) override {
        std::lock_guard lk(mu_);
        debug_lines_.emplace_back(line);
        if (debug) debug(line);
    }
    std::vector<std::string> DebugLines() {
        std::lock_guard lk(mu_);
        return debug_lines_;
    }

    // Set before the driver starts.
    std::function<void(uint32_t interrupt_id)> raise_interrupt;
    std::function<void(uint32_t event)> notification;  // e.g. RunAtEvents::Fire
    std::function<void(const char* line)> debug;        // e.g. the host's log
    std::atomic<bool> window_manager_ready{true};

private:
    DmaUartBus& bus_;
    std::mutex mu_;
    std::vector<std::string> debug_lines_;
};

}  // namespace qmx2::hardware

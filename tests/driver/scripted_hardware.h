// A scripted hardware layer for port-layer tests: bytes the test injects arrive as receive
// interrupts on an interrupt thread of the virtual clock, written bytes are taken at once and
// answered with a transmit-ready interrupt, and every line change is recorded.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/port/port_device.h"
#include "platform/sync.h"

namespace qmx2::driver::testing {

struct ScriptedHardware {
    explicit ScriptedHardware(platform::Clock& c) : clock(c) {}
    ~ScriptedHardware() { StopInterrupts(); }

    platform::Clock& clock;
    PortDevice* port = nullptr;
    std::mutex mu;  // guards everything below except where noted
    std::deque<uint8_t> rx;
    std::string tx;
    std::vector<uint8_t> immediate;
    uint32_t tx_per_call = 16;  // bytes TransmitBytes takes per call; 0 takes nothing
    uint32_t tx_hint = 0;
    bool tx_ready = false;
    uint32_t overruns_to_report = 0;
    uint32_t modem_status = 0;
    bool dtr = false, rts = false, brk = false;
    std::vector<std::string> line_log;  // "DTR+", "RTS-", ...
    platform::DCB dcb{};
    int line_settings_calls = 0;
    std::vector<uint32_t> purges;
    int opens = 0, closes = 0, power_ups = 0, power_downs = 0;
    bool answers_power_query = true;
    bool powered = true;
    bool open_fails = false;
    uint32_t buffer_hint = 0;
    uint32_t line_errors = 0;
    bool destroyed = false;
    // Runs on the calling thread after an immediate character is recorded (no lock held).
    std::function<void()> on_immediate;

    // Guarded by the clock's lock.
    bool irq = false;
    bool stop = false;
    uint64_t serviced = 0;  // interrupt rounds finished
    std::unique_ptr<platform::Thread> interrupt_thread;

    void Inject(const std::string& bytes) {
        {
            std::lock_guard lk(mu);
            rx.insert(rx.end(), bytes.begin(), bytes.end());
        }
        RaiseInterrupt();
    }
    // Injects and returns once the interrupt routine has taken the bytes in; no clock time
    // passes.
    void Deliver(const std::string& bytes) {
        uint64_t before = 0;
        clock.Update([&] { before = serviced; });
        Inject(bytes);
        clock.WaitFor([&] { return !irq && serviced > before; }, platform::kInfinite);
    }
    void RaiseInterrupt() {
        clock.Update([&] { irq = true; });
    }
    void StartInterrupts() {
        interrupt_thread = std::make_unique<platform::Thread>(clock, [this] {
            for (;;) {
                bool quit = false;
                clock.WaitFor([&] { return irq || stop; }, platform::kInfinite);
                clock.Update([&] {
                    quit = stop;
                    irq = false;
                });
                if (quit) return;
                if (port) ServiceEvents(port);
                clock.Update([&] { ++serviced; });
            }
        });
    }
    void StopInterrupts() {
        if (!interrupt_thread) return;
        clock.Update([&] { stop = true; });
        interrupt_thread->Join();
        interrupt_thread.reset();
    }
    bool Rts() {
        std::lock_guard lk(mu);
        return rts;
    }
    std::string Taken() {
        std::lock_guard lk(mu);
        return tx;
    }
};

// The next Create returns this context (tests build one port at a time per thread).
inline thread_local ScriptedHardware* next_scripted_hardware = nullptr;

const HardwareOps& ScriptedOps();
const HardwareObjectTable& ScriptedHardwareTable();

}  // namespace qmx2::driver::testing

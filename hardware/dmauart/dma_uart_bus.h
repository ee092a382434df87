// The bus glue of the built-in ports' controller: 16-bit register accesses and the DMA memory
// by physical address, each access at the platform clock's current tick under one lock.
#pragma once

#include <cstdint>
#include <mutex>

#include "hardware/dmauart/dma_uart.h"
#include "platform/clock.h"

namespace qmx2::hardware {

class DmaUartBus {
public:
    explicit DmaUartBus(platform::Clock& clock) : clock_(clock) {}

    bool Read16(uint32_t phys, uint16_t* value);
    bool Write16(uint32_t phys, uint16_t value);
    // The DMA memory behind a physical range (null: none). The driver reads the ring after it
    // has read the receive DMA address and fills the transmit area before it starts the DMA,
    // both through the lock, which orders its accesses against the controller's.
    uint8_t* Memory(uint32_t phys, size_t size);

    // Settles both lines up to the end of the current tick.
    void Service();
    bool InterruptLine(int port);
    // The tick at which something next happens on a line (UINT64_MAX: nothing).
    uint64_t NextEventTick();

    // For tests and the far side: the controller under the lock, at the current tick in ns.
    template <typename F>
    auto WithController(F&& f) {
        std::lock_guard lk(mu_);
        const uint64_t now = Settle();
        return f(controller_, now);
    }

private:
    uint64_t Settle();  // returns the start of the current tick in ns

    platform::Clock& clock_;
    std::mutex mu_;
    DmaUartController controller_;
};

}  // namespace qmx2::hardware

#include "hardware/dmauart/dma_uart_bus.h"

namespace qmx2::hardware {

namespace {
constexpr uint64_t kNsPerMs = 1'000'000;
}

uint64_t DmaUartBus::Settle() {
    const uint64_t tick = clock_.TickMs();
    controller_.Advance((tick + 1) * kNsPerMs);
    return tick * kNsPerMs;
}

bool DmaUartBus::Read16(uint32_t phys, uint16_t* value) {
    std::lock_guard lk(mu_);
    return controller_.ReadRegister(phys, value, Settle());
}

bool DmaUartBus::Write16(uint32_t phys, uint16_t value) {
    std::lock_guard lk(mu_);
    return controller_.WriteRegister(phys, value, Settle());
}

uint8_t* DmaUartBus::Memory(uint32_t phys, size_t size) {
    std::lock_guard lk(mu_);
    return controller_.Memory(phys, size);
}

void DmaUartBus::Service() {
    std::lock_guard lk(mu_);
    Settle();
}

bool DmaUartBus::InterruptLine(int port) {
    std::lock_guard lk(mu_);
    Settle();
    return controller_.InterruptLine(port);
}

uint64_t DmaUartBus::NextEventTick() {
    std::lock_guard lk(mu_);
    Settle();
    const uint64_t next = controller_.NextEvent();
    return next == kNoEvent ? UINT64_MAX : next / kNsPerMs;
}

}  // namespace qmx2::hardware

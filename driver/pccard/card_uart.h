// The PC Card UART layer's context and its register access.
//
// Register guard: every register access goes through In/Out, which throw RegisterFault when
// nothing answers (registers not mapped yet, a pulled card). Each operation of the layer
// catches it with Guarded() and ends silently, so the fault never leaves the layer.
//
// Register lock: every sequence of register accesses runs under register_lock (Locked()), the
// interrupt routine's included, so that no access lands while the divisor latch is switched
// in. The lock is never held across a wait.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "driver/pccard/card_services_binding.h"
#include "driver/port/critical_section.h"
#include "driver/port/hardware_ops.h"
#include "driver/port/port_device.h"
#include "platform/comm_types.h"
#include "platform/sync.h"
#include "platform/uart16550_registers.h"

namespace qmx2::driver {

enum UartRegister : uint8_t {
    kData = uart16550::kRegData,
    kDivisorLow = uart16550::kRegDivisorLow,
    kInterruptEnable = uart16550::kRegInterruptEnable,
    kDivisorHigh = uart16550::kRegDivisorHigh,
    kInterruptId = uart16550::kRegInterruptId,
    kFifoControl = uart16550::kRegFifoControl,
    kLineControl = uart16550::kRegLineControl,
    kModemControl = uart16550::kRegModemControl,
    kLineStatus = uart16550::kRegLineStatus,
    kModemStatus = uart16550::kRegModemStatus,
    kScratch = uart16550::kRegScratch,
};

// Set at power-up and cleared at power-down while other threads may be inside an operation,
// hence atomic.
struct RegisterAddress {
    std::atomic<uintptr_t> io{0};          // on the I/O bus; 0 = not mapped
    std::atomic<uint8_t*> memory{nullptr};  // or plain memory (the scratch substitute)
};

struct DivisorEntry {
    uint32_t baud;
    uint16_t divisor;
};

using NotifyRoutine = void (*)(PortDevice* device, uint32_t events);

struct CardUart {
    explicit CardUart(platform::Clock& clock) : register_lock(clock) {}

    RegisterAddress registers[8];
    std::atomic<uint8_t> fifo_shadow{0};
    std::atomic<uint8_t> last_interrupt_id{0};
    std::atomic<uint8_t> last_line_status{0};
    std::atomic<uint8_t> last_modem_status{0};
    NotifyRoutine notify = nullptr;
    PortDevice* notify_argument = nullptr;
    std::mutex settings_lock;  // guards line_settings and timeouts
    platform::DCB line_settings{};
    platform::COMMTIMEOUTS timeouts{};
    std::atomic<uint32_t> uart_open_count{0};
    const DivisorEntry* divisors = nullptr;
    std::atomic<uint32_t> overruns{0};
    // A flow or immediate character waiting for the transmitter, or -1. It goes out ahead of
    // the write data as soon as the holding register is empty.
    std::atomic<int> pending_immediate{-1};
    std::atomic<uint32_t> waiting_for_cts{0};
    std::atomic<uint32_t> waiting_for_dsr{0};
    std::atomic<uint32_t> transmit_kick{0};
    platform::COMSTAT status{};
    std::atomic<uint32_t> line_errors{0};
    CriticalSection register_lock;
    uint32_t use_fifo = 0;
    platform::CARD_SOCKET_HANDLE socket = 0;
    platform::CARD_CLIENT_HANDLE client = 0;
    platform::CARD_WINDOW_HANDLE window = 0;
    uintptr_t io_base = 0;
    uint32_t granularity = 1;
    std::atomic<uint8_t> layer_open_count{0};
    platform::COMMPROP properties{};
    PortDevice* port = nullptr;
    uint32_t reset_delay_ms = 0;
    uint32_t no_scratch_pad = 0;
    uint8_t scratch_substitute = 0;
    std::atomic<uint32_t> powered_up{0};

    CardServices services;
    const platform::KernelServices* kernel = nullptr;
    platform::Clock* clock = nullptr;
};

struct RegisterFault {};

uint8_t In(CardUart* u, UartRegister reg);
void Out(CardUart* u, UartRegister reg, uint8_t value);

template <typename F>
void Guarded(F&& f) {
    try {
        f();
    } catch (const RegisterFault&) {
        // The card stopped answering: end this operation quietly.
    }
}

template <typename F>
void Locked(CardUart* u, F&& f) {
    Lock lock(u->register_lock);
    Guarded(f);
}

// Reads with the status accounting and event reports every reader of these registers does.
uint8_t ReadLineStatus(CardUart* u);
uint8_t ReadModemStatus(CardUart* u);
// Programs baud rate, word length, stop bits and parity; `all` ignores the stored copy.
void ProgramLineSettings(CardUart* u, const platform::DCB& wanted, bool all);

extern const DivisorEntry kDefaultDivisors[];
uint16_t LookupDivisor(const DivisorEntry* table, uint32_t baud);  // 0: not in the table

// The layer's HardwareOps and the steps of card power (card_power.cpp).
extern const HardwareOps kCardUartOps;
void* CardUartCreate(const platform::WideChar* active_key, PortDevice* port);
void CardUartDestroy(void* ctx);
int CardUartPowerUp(void* ctx);
int CardUartPowerDown(void* ctx);
int CardUartClose(void* ctx);
// The UART's open sequence (interrupt enable, modem and line control, FIFOs), guarded.
void OpenUartRegisters(CardUart* u);

}  // namespace qmx2::driver

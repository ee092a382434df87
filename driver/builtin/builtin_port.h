// The built-in serial ports' layer: a DMA UART whose receive DMA fills a 4096-byte ring and
// whose transmit DMA sends from the transmit area, with parity computed in software.
//
// Registers are reached through the platform's built-in port services by physical address.
// The control register is changed read-modify-write from the ISR and from application threads
// at once, so those sequences run under control_lock (never held across a wait).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "driver/port/hardware_ops.h"
#include "driver/port/port_device.h"
#include "platform/comm_types.h"
#include "platform/dmauart_registers.h"

namespace qmx2::platform {
class BuiltinPortServices;
}

namespace qmx2::driver {

inline constexpr uint32_t kBuiltInOpen = 1u << 0;
inline constexpr uint32_t kBuiltInPowerEventPending = 1u << 2;

struct BuiltInPort {
    uint8_t* ring = nullptr;           // receive ring; the transmit area follows it
    uint8_t* transmit_area = nullptr;
    uint32_t ring_phys = 0, transmit_phys = 0;
    uint32_t status_reg = 0, control_reg = 0;
    uint32_t receive_dma_reg = 0, transmit_dma_reg = 0;
    std::atomic<uint32_t> read_pointer{0};  // offset into the ring
    std::atomic<uint32_t> transmit_busy{0};
    platform::COMSTAT comstat{};
    std::atomic<uint32_t> line_errors{0};
    std::atomic<uint8_t> parity_mode{platform::NOPARITY};
    platform::COMMPROP properties{};
    PortDevice* port = nullptr;
    uint32_t baud_rate = 9600;
    uint8_t stop_bits = platform::ONESTOPBIT, parity = platform::NOPARITY, byte_size = 8;
    uint64_t last_cable_event_ms = 0;
    std::atomic<uint32_t> state{0};
    std::atomic<uint32_t> idle_reported{0};
    // Bytes waiting in the ring when last looked at: fewer later without a read means the DMA
    // went round the ring past the read pointer.
    std::atomic<uint32_t> last_waiting{0};
    uint32_t index = 0;
    uint16_t last_dcd = 0, last_ri = 0, last_cts = 0, last_dsr = 0;
    platform::DCB dcb{};

    platform::BuiltinPortServices* services = nullptr;
    platform::Clock* clock = nullptr;
    std::mutex control_lock;
    std::mutex settings_lock;  // guards dcb and the frame settings
};

inline constexpr char kDcdCableEventLine[] = "DCD Cable event, %dms\r\n";
inline constexpr char kDcdCableIgnoredLine[] = "Ignoring DCD Cable event, too close (%dms)\r\n";
inline constexpr uint64_t kCableDebounceMs = 201;

extern const HardwareOps kBuiltInOps;

// Software parity: the parity bit is bit `byte_size` of the data byte.
uint8_t AddParity(uint8_t byte, uint8_t mode, uint8_t byte_size);
bool ParityOk(uint8_t byte, uint8_t mode, uint8_t byte_size);
// The controller's code for a rate; `current` for a rate it does not offer.
uint16_t BaudCode(uint32_t baud, uint16_t current);
// Control bits of the frame: length code and stop bits.
uint16_t FrameBits(uint8_t byte_size, uint8_t parity, uint8_t stop_bits);

}  // namespace qmx2::driver

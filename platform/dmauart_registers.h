// The built-in serial ports' DMA UART: physical addresses of both ports, the status and control
// register bits, baud and frame-length codes. The built-in driver layer programs the controller
// with it and the emulated controller answers with it.
#pragma once

#include <cstdint>

namespace qmx2::dmauart {

inline constexpr int kPortCount = 2;  // port A (hardware object 0), port B (object 2)

// DMA memory per port: an 8 KB block, receive ring in the first 4 KB, transmit area after it.
inline constexpr uint32_t kDmaBlockSize = 0x2000;
inline constexpr uint32_t kRingSize = 0x1000;
inline constexpr uint32_t kTransmitAreaOffset = 0x1000;
inline constexpr uint32_t kTransmitAreaSize = 0x1000;
// The transmit DMA stops when its address reaches a multiple of this inside the area.
inline constexpr uint32_t kTransmitStopBoundary = 0x800;

struct PortAddresses {
    uint32_t dma_memory;    // receive ring; the transmit area follows at +kTransmitAreaOffset
    uint32_t status;        // 16-bit status; the 16-bit control register is 4 bytes higher
    uint32_t receive_dma;   // low half; the high half is 4 bytes higher
    uint32_t transmit_dma;  // low half; the high half is 4 bytes higher
    uint16_t enable_bit;    // the port's bit in the shared controller enable register
    uint32_t interrupt_id;  // the platform's interrupt identifier
};

inline constexpr PortAddresses kPorts[kPortCount] = {
    {0xAC004000u, 0xB0004000u, 0xB0080810u, 0xB0090810u, 0x08, 19},
    {0xAC006000u, 0xB0008000u, 0xB0060810u, 0xB0070810u, 0x80, 25},
};
inline constexpr uint32_t kControlOffset = 4;       // control register after the status register
inline constexpr uint32_t kAddressHighOffset = 4;   // high half after the low half
inline constexpr uint32_t kControllerEnable = 0xB0000804u;
inline constexpr uint32_t kRegisterWindow = 0x10;  // bytes mapped at each register address

// Status register. Modem lines are active low (the bit is set while the line is off).
inline constexpr uint16_t kStDcdOff = 0x0002, kStCtsOff = 0x0004, kStDsrOff = 0x0040,
                          kStRiOff = 0x0080;
// Both transmit-done bits are set when the DMA's last byte has left the line.
inline constexpr uint16_t kStTransmitFetched = 0x0008;
inline constexpr uint16_t kStTransmitDone = 0x0010;
inline constexpr uint16_t kStOverrun = 0x0200, kStModemChange = 0x0400, kStFraming = 0x1000;
inline constexpr uint16_t kStReceiveActivity = 0x2000, kStReceiveIdle = 0x4000,
                          kStReceiveData = 0x8000;
// Bits cleared by writing 1; writes leave every other bit as it is.
inline constexpr uint16_t kStWriteOneToClear = kStTransmitFetched | kStTransmitDone | kStOverrun |
                                               kStModemChange | kStFraming | kStReceiveActivity |
                                               kStReceiveIdle | kStReceiveData;
// What a driver writes back unchanged when it clears one bit.
inline constexpr uint16_t kStKeepMask = 0x09E7;

// Control register.
inline constexpr uint16_t kCtlBaudMask = 0x000F;
inline constexpr uint16_t kCtlFrame7 = 0x0010, kCtlFrame6 = 0x0020,
                          kCtlFrameMask = kCtlFrame7 | kCtlFrame6;
inline constexpr uint16_t kCtlTwoStopBits = 0x0040;
inline constexpr uint16_t kCtlDtr = 0x0100, kCtlRts = 0x0200, kCtlModemInterrupt = 0x0400,
                          kCtlCtsFlow = 0x0800, kCtlPortEnabled = 0x1000,
                          kCtlTransmitDma = 0x2000, kCtlReceiveInterrupt = 0x4000,
                          kCtlReceiverOn = 0x8000;

// Baud codes: the controller divides 115200 bit/s by code + 1.
inline constexpr uint32_t kBaseRate = 115200;
inline constexpr uint16_t kBaud9600 = 11, kBaud14400 = 7, kBaud19200 = 5, kBaud38400 = 2,
                          kBaud57600 = 1, kBaud115200 = 0;
inline constexpr uint32_t RateOfCode(uint16_t code) { return kBaseRate / ((code & kCtlBaudMask) + 1u); }
static_assert(RateOfCode(kBaud9600) == 9600 && RateOfCode(kBaud14400) == 14400 &&
              RateOfCode(kBaud19200) == 19200 && RateOfCode(kBaud38400) == 38400);

}  // namespace qmx2::dmauart

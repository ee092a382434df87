// Frame settings of the built-in ports: baud codes, frame length, stop bits, software parity.
#include "driver/builtin/builtin_port.h"

namespace qmx2::driver {

using namespace dmauart;
using platform::EVENPARITY;
using platform::MARKPARITY;
using platform::NOPARITY;
using platform::ODDPARITY;
using platform::SPACEPARITY;

namespace {

constexpr uint8_t kNibbleBits[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

struct BaudEntry {
    uint32_t baud;
    uint16_t code;
};
constexpr BaudEntry kBaudCodes[] = {{9600, kBaud9600},   {14400, kBaud14400}, {19200, kBaud19200},
                                    {38400, kBaud38400}, {57600, kBaud57600}, {115200, kBaud115200}};

// The parity bit the data bits below `p` call for (1 or 0).
uint8_t ComputedBit(uint8_t byte, uint8_t mode, uint8_t p) {
    const uint8_t data = p < 8 ? static_cast<uint8_t>(byte & ~(1u << p)) : byte;
    const uint8_t ones = kNibbleBits[data & 0x0F] + kNibbleBits[data >> 4];
    const uint8_t even = ones & 1;
    return mode == EVENPARITY ? even : static_cast<uint8_t>(even ^ 1);
}

}  // namespace

uint8_t AddParity(uint8_t byte, uint8_t mode, uint8_t byte_size) {
    if (byte_size >= 8) return byte;  // no room for a parity bit in the data byte
    const uint8_t bit = static_cast<uint8_t>(1u << byte_size);
    switch (mode) {
    case ODDPARITY:
    case EVENPARITY:
        return ComputedBit(byte, mode, byte_size) ? static_cast<uint8_t>(byte | bit) : byte;
    case MARKPARITY:
        return static_cast<uint8_t>(byte | bit);
    default:  // space and none leave the bit as it is
        return byte;
    }
}

bool ParityOk(uint8_t byte, uint8_t mode, uint8_t byte_size) {
    if (byte_size >= 8 || mode == NOPARITY) return true;
    const uint8_t p = (byte >> byte_size) & 1;
    switch (mode) {
    case ODDPARITY:
    case EVENPARITY:
        return p == ComputedBit(byte, mode, byte_size);
    case MARKPARITY:
        return p == 1;
    case SPACEPARITY:
        return p == 0;
    default:
        return true;
    }
}

uint16_t BaudCode(uint32_t baud, uint16_t current) {
    for (const auto& e : kBaudCodes)
        if (e.baud == baud) return e.code;
    return current;
}

uint16_t FrameBits(uint8_t byte_size, uint8_t parity, uint8_t stop_bits) {
    const int k = byte_size + (parity != NOPARITY ? 1 : 0);
    uint16_t bits = k == 6 ? kCtlFrame6 : k == 7 ? kCtlFrame7 : 0;
    // The port offers one and two stop bits (its properties say so); two stop bits get the
    // controller's two-stop-bit frame. One and a half has no frame of its own and takes one.
    if (stop_bits == platform::TWOSTOPBITS) bits |= kCtlTwoStopBits;
    return bits;
}

}  // namespace qmx2::driver

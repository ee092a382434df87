// The built-in serial ports' controller: two DMA UARTs at fixed physical addresses and the
// controller enable register they share. Received bytes are written by DMA into each port's
// 4 KB ring at the receive DMA address, which wraps inside the ring; the transmit DMA sends from
// its address until the address reaches a 2 KB boundary of the transmit area. Status bits in
// kStWriteOneToClear are cleared by writing 1; the modem-line bits follow the far side.
//
// Time is in nanoseconds the caller passes in, as for the 16550; not thread-safe: the bus glue
// serialises every call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "hardware/uart/uart16550.h"  // SerialPeer
#include "platform/dmauart_registers.h"

namespace qmx2::hardware {

struct PeerLines {
    bool dcd = false, cts = false, dsr = false, ri = false;
};

class DmaUartController {
public:
    DmaUartController();

    // Registers by physical address (16-bit accesses). False: nothing answers there.
    bool ReadRegister(uint32_t phys, uint16_t* value, uint64_t now);
    bool WriteRegister(uint32_t phys, uint16_t value, uint64_t now);
    // The DMA memory behind [phys, phys + size), or null when it is not one port's block.
    uint8_t* Memory(uint32_t phys, size_t size);

    // Settles everything that happens on both lines before `limit`.
    void Advance(uint64_t limit);
    uint64_t NextEvent() const;  // kNoEvent: nothing due
    bool InterruptLine(int port) const;

    // The far side of a port.
    void SetPeer(int port, SerialPeer* peer) { ports_[port].peer = peer; }
    // Bytes the far side sends at the port's line rate; `framing_error` marks each of them.
    void SendFromPeer(int port, const uint8_t* bytes, size_t count, uint64_t now,
                      bool framing_error = false);
    void SetPeerLines(int port, PeerLines lines, uint64_t now);

    uint16_t status(int port) const { return ports_[port].status; }
    uint16_t control(int port) const { return ports_[port].control; }
    uint32_t overruns(int port) const { return ports_[port].overruns; }
    size_t pending_from_peer(int port) const {
        return ports_[port].line_in.size() + (ports_[port].rx_busy ? 1 : 0);
    }
    bool transmitting(int port) const { return ports_[port].tx_active; }
    uint64_t CharacterTime(int port) const;

private:
    struct LineByte {
        uint8_t value;
        bool framing_error;
    };
    struct Port {
        uint16_t status = 0;
        uint16_t control = 0;
        uint32_t rx_address = 0, tx_address = 0;
        std::array<uint8_t, dmauart::kDmaBlockSize> memory{};
        PeerLines lines;
        SerialPeer* peer = nullptr;
        // Receive side of the wire.
        std::deque<LineByte> line_in;
        bool rx_busy = false;
        LineByte rx_byte{};
        uint64_t rx_done = 0, rx_line_free = 0;
        uint64_t idle_due = kNoEvent;  // when the quiet line is reported as receive idle
        // Transmit DMA: active from its start until the stop boundary; the byte on the wire.
        bool tx_active = false;
        bool tx_busy = false;
        bool tx_last = false;  // the byte on the wire is the last before the stop boundary
        uint8_t tx_byte = 0;
        uint64_t tx_done = 0, tx_line_free = 0;
        uint32_t overruns = 0;
    };

    bool Running(int port) const;
    void WriteControl(int port, uint16_t value, uint64_t now);
    void StartReceive(int port, uint64_t now);
    void FinishReceive(int port);
    void StartTransmit(int port, uint64_t now);
    void FinishTransmit(int port);
    void StoreReceived(int port, uint8_t byte);
    uint16_t LineBits(const PeerLines& l) const;

    std::array<Port, dmauart::kPortCount> ports_;
    uint16_t enable_ = 0;
};

}  // namespace qmx2::hardware

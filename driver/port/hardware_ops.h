// The table through which the port layer drives a hardware layer, and the hardware objects
// that pair a table with its binding to the dispatch thread.
//
// Calling contracts. ctx is what Create returned. "ISR" means the event-servicing routine:
// the dispatch thread, or the PC Card services' interrupt thread; it holds no port lock, except
// the buffer lock around ReceiveBytes. Slots marked "may block" wait on the platform clock.
#pragma once

#include <cstdint>

#include "platform/comm_types.h"
#include "platform/text.h"

namespace qmx2::driver {

struct PortDevice;

// Each slot: who calls it, which port lock the caller holds, and whether it may block. "Any
// thread" slots take no port lock and run beside the ISR; the layer guards its own registers.
struct HardwareOps {
    // PortInit, no lock; may block (a card powered up at once). nullptr on failure.
    void* (*Create)(const platform::WideChar* active_key, PortDevice* port);
    // PortDeinit after the last close, no lock; may block.
    void (*Destroy)(void* ctx);
    // First open (0 -> 1), under the open lock; may block. Non-zero on success.
    int (*Open)(void* ctx);
    // Last close (1 -> 0), under the open lock; may block while the transmitter drains.
    int (*Close)(void* ctx);
    // ISR with the buffer lock held; must not block. Returns the overruns since the last call.
    uint32_t (*ReceiveBytes)(void* ctx, uint8_t* destination, uint32_t* count);
    // Dispatch-thread start, under the open lock or in PortInit; must not block.
    uint32_t (*GetInterruptParam)(void* ctx);
    // ISR, no lock; must not block. 1 line status, 2 receive data, 4 transmit ready, 8 modem.
    uint32_t (*GetPendingInterrupts)(void* ctx);
    // ISR, no lock; must not block.
    void (*OnModemStatus)(void* ctx);
    // ISR, no lock; must not block.
    void (*OnLineStatus)(void* ctx);
    // PortInit, no lock; must not block. The receive ring's size hint in bytes.
    uint32_t (*GetReceiveBufferHint)(void* ctx);
    // ISR, no lock; must not block. Puts out a pending immediate character first.
    void (*OnTransmitReady)(void* ctx);
    // Writer with the transmit lock held; must not block. Returns a wait hint in ms, 0 for none.
    uint32_t (*TransmitBytes)(void* ctx, const uint8_t* source, uint32_t count, uint32_t* taken);
    // COM_PowerDown / COM_PowerUp of the host's power manager, no lock; must not block.
    int (*PowerOff)(void* ctx);
    int (*PowerOn)(void* ctx);
    // Line controls: any thread including the ISR (handshake flow), no lock; must not block.
    void (*ClearDtr)(void* ctx);
    void (*SetDtr)(void* ctx);
    void (*ClearRts)(void* ctx);
    void (*SetRts)(void* ctx);
    // Control request thread, no lock; may block.
    int (*EnableInfrared)(void* ctx, uint32_t baud_rate);
    int (*DisableInfrared)(void* ctx);
    // Control request thread, no lock; must not block.
    void (*ClearBreak)(void* ctx);
    void (*SetBreak)(void* ctx);
    // Any thread including the ISR (XON/XOFF), under the flow lock from the flow paths; must
    // not block. A busy transmitter keeps the character pending and puts it out ahead of the
    // write data.
    int (*SendImmediate)(void* ctx, uint8_t character);
    // Control request thread, no lock; must not block. Returns and clears the line errors.
    uint32_t (*GetStatus)(void* ctx, platform::COMSTAT* status);
    void (*ResetStatus)(void* ctx);
    void (*GetModemStatus)(void* ctx, uint32_t* modem_status);
    void (*GetProperties)(void* ctx, platform::COMMPROP* properties);
    void (*PurgeFifos)(void* ctx, uint32_t flags);
    // Control request thread or first open, no lock; must not block.
    int (*SetLineSettings)(void* ctx, const platform::DCB* settings);
    int (*SetTimeouts)(void* ctx, const platform::COMMTIMEOUTS* timeouts);
    // Control request thread or an open with access, no lock; must not block. Codes the port
    // layer does not know; it also asks IOCTL_CARD_IS_POWERED here before an open with access,
    // and a layer that does not answer it counts as always powered.
    int (*ExtraControl)(void* ctx, uint32_t code, const uint8_t* in, uint32_t in_length,
                        uint8_t* out, uint32_t out_length, uint32_t* returned);
    // Control request thread, under the open lock; may block.
    int (*CardPowerUp)(void* ctx);
    int (*CardPowerDown)(void* ctx);
};
static_assert(sizeof(HardwareOps) == 33 * sizeof(void*));

inline constexpr uint32_t kBindThreadForLife = 0x1;  // dispatch thread from init to deinit
inline constexpr uint32_t kBindThreadWhileOpen = 0x2;  // from the first open to the last close

struct HardwareObject {
    uint32_t bind_flags;
    uint32_t interrupt_id;
    const HardwareOps* ops;
};

inline constexpr uint32_t kInterruptLineStatus = 1;
inline constexpr uint32_t kInterruptReceive = 2;
inline constexpr uint32_t kInterruptTransmit = 4;
inline constexpr uint32_t kInterruptModemStatus = 8;

}  // namespace qmx2::driver

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

struct HardwareOps {
    // COM_Init; may block (a card powered up at once). Returns nullptr on failure.
    void* (*Create)(const platform::WideChar* active_key, PortDevice* port);
    // COM_Deinit, after the last close; may block.
    void (*Destroy)(void* ctx);
    // First COM_Open; non-zero on success.
    int (*Open)(void* ctx);
    // Last COM_Close; may block while the transmitter drains.
    int (*Close)(void* ctx);
    // ISR with the buffer lock held; must not block. Returns the overruns since the last call.
    uint32_t (*ReceiveBytes)(void* ctx, uint8_t* destination, uint32_t* count);
    uint32_t (*GetInterruptParam)(void* ctx);
    // ISR; 1 line status, 2 receive data, 4 transmit ready, 8 modem status.
    uint32_t (*GetPendingInterrupts)(void* ctx);
    void (*OnModemStatus)(void* ctx);    // ISR
    void (*OnLineStatus)(void* ctx);     // ISR
    uint32_t (*GetReceiveBufferHint)(void* ctx);  // COM_Init
    void (*OnTransmitReady)(void* ctx);  // ISR
    // Writer with the transmit lock held. Returns a wait hint in ms, 0 for none.
    uint32_t (*TransmitBytes)(void* ctx, const uint8_t* source, uint32_t count, uint32_t* taken);
    int (*PowerOff)(void* ctx);
    int (*PowerOn)(void* ctx);
    // Line controls: any thread, no lock; single register updates.
    void (*ClearDtr)(void* ctx);
    void (*SetDtr)(void* ctx);
    void (*ClearRts)(void* ctx);
    void (*SetRts)(void* ctx);
    int (*EnableInfrared)(void* ctx, uint32_t baud_rate);
    int (*DisableInfrared)(void* ctx);
    void (*ClearBreak)(void* ctx);
    void (*SetBreak)(void* ctx);
    // Any thread including the ISR; must not block. A busy transmitter keeps the character
    // pending and puts it out ahead of the write data.
    int (*SendImmediate)(void* ctx, uint8_t character);
    uint32_t (*GetStatus)(void* ctx, platform::COMSTAT* status);
    void (*ResetStatus)(void* ctx);
    void (*GetModemStatus)(void* ctx, uint32_t* modem_status);
    void (*GetProperties)(void* ctx, platform::COMMPROP* properties);
    void (*PurgeFifos)(void* ctx, uint32_t flags);
    int (*SetLineSettings)(void* ctx, const platform::DCB* settings);
    int (*SetTimeouts)(void* ctx, const platform::COMMTIMEOUTS* timeouts);
    // Codes the port layer does not know. The port layer also asks IOCTL_CARD_IS_POWERED here
    // before an open with access; a layer that does not answer it counts as always powered.
    int (*ExtraControl)(void* ctx, uint32_t code, const uint8_t* in, uint32_t in_length,
                        uint8_t* out, uint32_t out_length, uint32_t* returned);
    int (*CardPowerUp)(void* ctx);    // control request thread; may block
    int (*CardPowerDown)(void* ctx);  // control request thread; may block
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

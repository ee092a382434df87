// The port layer's records: one PortDevice per initialised port, one PortOpen per open, and
// the environment a driver instance runs in.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "driver/port/critical_section.h"
#include "driver/port/hardware_ops.h"
#include "platform/card_services.h"
#include "platform/comm_types.h"
#include "platform/serial_port_rules.h"
#include "platform/sync.h"

namespace qmx2::platform {
class BuiltinPortServices;
class Registry;
}

namespace qmx2::driver {

// The platform's interrupt controller, which the built-in port layers need.
class InterruptController {
public:
    virtual ~InterruptController() = default;
    virtual bool Initialize(uint32_t interrupt_id, platform::Event* event, uint32_t data) = 0;
    virtual void Done(uint32_t interrupt_id) = 0;
    virtual void Disable(uint32_t interrupt_id) = 0;
};

struct HardwareObjectTable {
    const char* driver_file;
    uint32_t count;
    const HardwareObject* objects;
};

// Everything a driver instance gets from its host.
struct DriverEnv {
    platform::Clock* clock = nullptr;
    platform::Registry* registry = nullptr;
    const platform::KernelServices* kernel = nullptr;  // register bus and process start
    InterruptController* interrupts = nullptr;          // none: no dispatch thread can start
    platform::BuiltinPortServices* builtin = nullptr;   // the built-in ports' bus and events
    const HardwareObjectTable* hardware = nullptr;
};

inline constexpr uint32_t kStopDispatch = 1u << 0;
inline constexpr uint32_t kSoftFlowInForce = 1u << 1;
inline constexpr uint32_t kTransmitHeld = 1u << 2;
inline constexpr uint32_t kXoffSent = 1u << 3;
inline constexpr uint32_t kDtrDropped = 1u << 4;
inline constexpr uint32_t kRtsDropped = 1u << 5;
inline constexpr uint32_t kWriteAborted = 1u << 7;

struct PortDevice;

struct PortOpen {
    explicit PortOpen(platform::Clock& clock) : comm_event(clock, false) {}
    PortDevice* device = nullptr;
    uint32_t access = 0;
    uint32_t share = 0;
    std::atomic<int32_t> use_count{0};
    platform::Event comm_event;  // set whenever `events` may end a wait
    std::mutex lock;             // guards events; never held across a wait
    platform::EventWaitState events;
    // Set as a close begins, so that a read, write or wait of this context stops even while
    // another open keeps the device open.
    std::atomic<bool> closing{false};
    PortOpen* prev = nullptr;
    PortOpen* next = nullptr;
};

struct PortDevice {
    explicit PortDevice(const DriverEnv& e)
        : env(e), open_lock(*e.clock), transmit_lock(*e.clock), receive_lock(*e.clock) {}

    DriverEnv env;
    // Serialises the 0 <-> 1 transitions of open_count with the first-open set-up and the
    // hardware close, and card power changes with both.
    CriticalSection open_lock;
    CriticalSection transmit_lock;
    CriticalSection receive_lock;
    const HardwareObject* hardware = nullptr;
    void* hardware_context = nullptr;
    std::unique_ptr<platform::Event> interrupt_event;
    std::unique_ptr<platform::Event> receive_event;
    std::unique_ptr<platform::Event> thread_exit_event;
    std::unique_ptr<platform::Event> transmit_event;
    std::unique_ptr<platform::Thread> dispatch_thread;
    std::atomic<uint32_t> dropped{0};
    std::atomic<uint32_t> overruns{0};
    std::atomic<uint32_t> received{0};
    std::atomic<uint32_t> transmitted{0};
    std::atomic<uint32_t> still_to_transmit{0};
    // Line settings and time-outs, read by the ISR and readers while requests change them.
    std::mutex settings_lock;
    platform::DCB dcb{};
    platform::COMMTIMEOUTS timeouts{};
    std::atomic<uint32_t> open_count{0};
    // Changed from the ISR, readers and requests at once; atomic so every bit change lands.
    std::atomic<uint32_t> flags{0};
    std::atomic<uint32_t> mask_union{0};
    // Raised by every receive abort; a read ends when it changes after the read began, so an
    // abort between two of its waits is never lost.
    std::atomic<uint32_t> read_aborts{0};
    // Orders the XOFF of the interrupt routine and the XON of a reader with their flag, so
    // that the character last sent always matches kXoffSent. Never held across a wait.
    std::mutex flow_lock;

    // Receive ring: the ISR moves only the write index, readers only the read index.
    std::atomic<uint32_t> read_index{0};
    std::atomic<uint32_t> write_index{0};
    uint32_t ring_size = 0;
    std::unique_ptr<uint8_t[]> ring;
    std::mutex buffer_lock;

    PortOpen* open_list = nullptr;
    std::mutex list_lock;
    std::atomic<PortOpen*> access_holder{nullptr};

    platform::DCB LineSettings() {
        std::lock_guard lk(settings_lock);
        return dcb;
    }
    platform::COMMTIMEOUTS Timeouts() {
        std::lock_guard lk(settings_lock);
        return timeouts;
    }
    const HardwareOps& ops() const { return *hardware->ops; }
    bool IsOpen() const { return open_count.load() != 0; }
    void SetFlags(uint32_t bits) { flags.fetch_or(bits); }
    void ClearFlags(uint32_t bits) { flags.fetch_and(~bits); }
    bool HasFlags(uint32_t bits) const { return (flags.load() & bits) != 0; }
    uint32_t Available() const {
        return (write_index.load() - read_index.load()) & (ring_size - 1);
    }
};

// Calls inside the driver for an open context. A context closed while a caller is still inside
// (the close gives up waiting after 2 seconds) is freed by the last caller that leaves.
inline constexpr int32_t kOpenClosed = 0x40000000;
inline void EnterUse(PortOpen* open) { open->use_count.fetch_add(1); }
inline void LeaveUse(PortOpen* open) {
    if (open->use_count.fetch_sub(1) == kOpenClosed + 1) delete open;
}
inline int32_t CallersInside(const PortOpen* open) { return open->use_count.load() & ~kOpenClosed; }

// The entry checks that reads and writes share: a live context with the access the call needs
// and a buffer when there is anything to move. False with the last error set.
bool CheckDataCall(const PortOpen* open, uint32_t access, const void* buffer, uint32_t length);

// Lifecycle (port_lifecycle.cpp).
PortDevice* PortInit(const DriverEnv& env, const platform::WideChar* active_key);
bool PortDeinit(PortDevice* device);
PortOpen* PortOpenContext(PortDevice* device, uint32_t access, uint32_t share);
bool PortClose(PortOpen* open);
bool StartDispatchThread(PortDevice* device);
void StopDispatchThread(PortDevice* device);

// Data paths (data_path.cpp, receive_path.cpp).
// Returns false when it ended the dispatch thread's work (stop flag or no interrupt event).
bool ServiceEvents(PortDevice* device);
void ServiceEventsCallback(uintptr_t device);  // the PC Card interrupt callback's shape
void NotifyEvents(PortDevice* device, uint32_t events);
int32_t PortRead(PortOpen* open, uint8_t* buffer, uint32_t length);
int32_t PortWrite(PortOpen* open, const uint8_t* buffer, uint32_t length);
bool WaitOnMask(PortOpen* open, uint32_t* events);
void ResumeReceiveFlow(PortDevice* device);

// Control requests (control_requests.cpp, line_settings.cpp).
bool PortIoControl(PortOpen* open, uint32_t code, const uint8_t* in, uint32_t in_length,
                   uint8_t* out, uint32_t out_length, uint32_t* returned);
void ApplyLineSettings(PortDevice* device, bool with_line_changes);
// DTR and RTS as the line settings want them (steps of a settings change with line changes).
void ApplyModemLines(PortDevice* device);
void Purge(PortDevice* device, uint32_t flags);

}  // namespace qmx2::driver

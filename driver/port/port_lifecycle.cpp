// Port lifecycle: initialisation, opens and closes, the dispatch thread, deinitialisation.
#include <new>

#include "driver/port/port_device.h"
#include "driver/port/registry_values.h"
#include "platform/last_error.h"

namespace qmx2::driver {
namespace {

using platform::SetLastError;
using platform::WantsAccess;

constexpr uint32_t kDrainRounds = 20;
constexpr uint32_t kDrainPauseMs = 100;
constexpr uint32_t kThreadExitWaitMs = 3000;
constexpr char16_t kCommanderProgram[] = u"Qmx2Com";

bool BindsThread(const PortDevice* device) {
    return (device->hardware->bind_flags & (kBindThreadForLife | kBindThreadWhileOpen)) != 0;
}

void DispatchLoop(PortDevice* device) {
    // The creator stores the handle after the start; the thread waits for it (20 ms polls).
    device->env.clock->WaitFor([&] { return device->dispatch_thread != nullptr; }, platform::kInfinite);
    while (!device->HasFlags(kStopDispatch)) {
        device->interrupt_event->Wait();
        if (!ServiceEvents(device)) return;
        device->env.interrupts->Done(device->hardware->interrupt_id);
    }
    device->thread_exit_event->Set();
}

void Unlink(PortDevice* device, PortOpen* open) {
    std::lock_guard lk(device->list_lock);
    PortOpen* expected = open;
    device->access_holder.compare_exchange_strong(expected, nullptr);
    if (open->prev) open->prev->next = open->next;
    else if (device->open_list == open) device->open_list = open->next;
    if (open->next) open->next->prev = open->prev;
    open->prev = open->next = nullptr;
}

void DropOpen(PortDevice* device, PortOpen* open) {
    Unlink(device, open);
    if (open->use_count.fetch_or(kOpenClosed) == 0) delete open;
}

bool CardPowered(PortDevice* device) {
    uint32_t powered = 1;
    uint32_t returned = 0;
    if (!device->ops().ExtraControl(device->hardware_context, platform::IOCTL_CARD_IS_POWERED,
                                    nullptr, 0, reinterpret_cast<uint8_t*>(&powered),
                                    sizeof(powered), &returned))
        return true;
    return powered != 0;
}

bool FirstOpen(PortDevice* device) {
    if ((device->hardware->bind_flags & kBindThreadWhileOpen) && !StartDispatchThread(device))
        return false;
    device->received = 0;
    device->transmitted = 0;
    device->still_to_transmit = 0;
    device->dropped = 0;
    device->overruns = 0;
    {
        std::lock_guard lk(device->settings_lock);
        device->dcb = platform::DefaultLineSettings();
    }
    device->ClearFlags(kSoftFlowInForce | kTransmitHeld | kXoffSent | kDtrDropped | kRtsDropped);
    ApplyLineSettings(device, false);
    const platform::COMMTIMEOUTS timeouts = device->Timeouts();
    device->ops().SetTimeouts(device->hardware_context, &timeouts);
    if (!device->ops().Open(device->hardware_context)) {
        if (device->hardware->bind_flags & kBindThreadWhileOpen) StopDispatchThread(device);
        return false;
    }
    // The hardware opens with DTR and RTS off; the default settings want them on.
    ApplyModemLines(device);
    device->ops().PurgeFifos(device->hardware_context, platform::PURGE_RXCLEAR);
    {
        std::lock_guard lk(device->buffer_lock);
        std::fill_n(device->ring.get(), device->ring_size, uint8_t{0});
        device->read_index = 0;
        device->write_index = 0;
    }
    return true;
}

}  // namespace

PortDevice* PortInit(const DriverEnv& env, const platform::WideChar* active_key) {
    if (!env.clock || !env.registry || !env.hardware || !active_key) return nullptr;
    auto* device = new (std::nothrow) PortDevice(env);
    if (!device) return nullptr;
    device->timeouts = platform::kDefaultTimeouts;
    device->interrupt_event = std::make_unique<platform::Event>(*env.clock, false);
    device->thread_exit_event = std::make_unique<platform::Event>(*env.clock, false);
    device->transmit_event = std::make_unique<platform::Event>(*env.clock, false);
    device->receive_event = std::make_unique<platform::Event>(*env.clock, false);

    const auto driver_key = ReadTextValue(*env.registry, active_key, u"Key", 512);
    const auto index = driver_key ? ReadNumberValue(*env.registry, *driver_key, u"DeviceArrayIndex")
                                  : std::nullopt;
    if (!index || *index >= env.hardware->count || !env.hardware->objects[*index].ops) {
        delete device;
        return nullptr;
    }
    device->hardware = &env.hardware->objects[*index];
    device->hardware_context = device->ops().Create(active_key, device);
    if (!device->hardware_context) {
        PortDeinit(device);
        return nullptr;
    }
    // Twice what the hardware layer asks for, so that flow control has room to act.
    device->ring_size = platform::ReceiveRingSize(
        2ull * device->ops().GetReceiveBufferHint(device->hardware_context), 1u << 30);
    device->ring.reset(new (std::nothrow) uint8_t[device->ring_size]());
    if (!device->ring || ((device->hardware->bind_flags & kBindThreadForLife) &&
                          !StartDispatchThread(device))) {
        PortDeinit(device);
        return nullptr;
    }
    // A commander that does not start is no reason to refuse the port.
    if (env.kernel && env.kernel->create_process) env.kernel->create_process(kCommanderProgram, u"");
    return device;
}

bool StartDispatchThread(PortDevice* device) {
    auto* interrupts = device->env.interrupts;
    const uint32_t id = device->hardware->interrupt_id;
    if (!interrupts ||
        !interrupts->Initialize(id, device->interrupt_event.get(),
                                device->ops().GetInterruptParam(device->hardware_context)))
        return false;
    interrupts->Done(id);
    device->ClearFlags(kStopDispatch);
    auto thread = std::make_unique<platform::Thread>();
    platform::Thread* raw = thread.get();
    device->env.clock->Update([&] { device->dispatch_thread = std::move(thread); });
    raw->Start(*device->env.clock, [device] { DispatchLoop(device); });
    return true;
}

void StopDispatchThread(PortDevice* device) {
    if (device->dispatch_thread) {
        device->SetFlags(kStopDispatch);
        device->interrupt_event->Set();
        device->thread_exit_event->Wait(kThreadExitWaitMs);
        device->env.clock->SleepMs(10);
        device->dispatch_thread->Join();
        std::unique_ptr<platform::Thread> gone;
        device->env.clock->Update([&] { gone = std::move(device->dispatch_thread); });
    }
    if (device->env.interrupts) {
        device->env.interrupts->Done(device->hardware->interrupt_id);
        device->env.interrupts->Disable(device->hardware->interrupt_id);
    }
}

PortOpen* PortOpenContext(PortDevice* device, uint32_t access, uint32_t share) {
    if (!device) {
        SetLastError(platform::ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const bool wants_access = WantsAccess(access);
    if (const uint32_t refusal = platform::OpenRefusal(
            access, device->access_holder.load() != nullptr, !wants_access || CardPowered(device))) {
        SetLastError(refusal);
        return nullptr;
    }
    auto* open = new (std::nothrow) PortOpen(*device->env.clock);
    if (!open) return nullptr;
    open->device = device;
    open->access = access;
    open->share = share;
    if (wants_access) {
        // Two access opens racing: only one may become the holder.
        PortOpen* none = nullptr;
        if (!device->access_holder.compare_exchange_strong(none, open)) {
            delete open;
            SetLastError(platform::ERROR_INVALID_ACCESS);
            return nullptr;
        }
    }
    {
        std::lock_guard lk(device->list_lock);
        open->next = device->open_list;
        if (open->next) open->next->prev = open;
        device->open_list = open;
    }
    {
        Lock lock(device->open_lock);
        if (device->open_count.load() == 0 && !FirstOpen(device)) {
            SetLastError(platform::ERROR_OPEN_FAILED);
            DropOpen(device, open);
            return nullptr;
        }
        ++device->open_count;
    }
    return open;
}

bool PortClose(PortOpen* open) {
    PortDevice* device = open ? open->device : nullptr;
    if (!device || device->open_count.load() == 0) {
        SetLastError(platform::ERROR_INVALID_HANDLE);
        return false;
    }
    open->closing = true;
    for (uint32_t round = 0; round < kDrainRounds && CallersInside(open) != 0; ++round) {
        open->comm_event.Set();
        if (WantsAccess(open->access)) {
            device->receive_event->Set();
            device->transmit_event->Set();
        }
        device->env.clock->SleepMs(kDrainPauseMs);
    }
    {
        Lock lock(device->open_lock);
        if (--device->open_count == 0) {
            device->ops().Close(device->hardware_context);
            if (device->hardware->bind_flags & kBindThreadWhileOpen) StopDispatchThread(device);
        }
    }
    DropOpen(device, open);
    return true;
}

bool PortDeinit(PortDevice* device) {
    if (!device) {
        SetLastError(platform::ERROR_INVALID_HANDLE);
        return false;
    }
    if (device->hardware && BindsThread(device)) StopDispatchThread(device);
    while (device->open_count.load() != 0 && device->open_list) {
        if (!PortClose(device->open_list)) break;
    }
    if (device->hardware && device->hardware_context)
        device->ops().Destroy(device->hardware_context);
    delete device;
    return true;
}

}  // namespace qmx2::driver

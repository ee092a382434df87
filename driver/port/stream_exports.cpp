// The exported stream entry points of libserqmx2.so.
//
// The driver finds its kernel the way a loaded driver does: the host that loaded it provides
// "Qmx2Kernel" (the PC Card services library, which the host links and gives its platform to).
// It is looked up once, at the first COM_Init, and kept for the library's lifetime. Every entry
// takes the host thread's last error in and hands the driver's back, so that the host sees what
// the driver set.
#include <type_traits>

#include "driver/builtin/builtin_interrupts.h"
#include "driver/builtin/builtin_port.h"
#include "driver/pccard/card_uart.h"
#include "driver/port/port_device.h"
#include "platform/dynamic_library.h"
#include "platform/last_error.h"
#include "platform/platform.h"
#include "platform/stream_driver.h"

#define QMX2_EXPORT extern "C" __attribute__((visibility("default")))

namespace qmx2::driver {
namespace {

// Built-in port A, the PC Card, built-in port B.
const HardwareObject kHardwareObjects[3] = {
    {kBindThreadForLife, 19, &kBuiltInOps},
    {0, 0, &kCardUartOps},
    {kBindThreadForLife, 25, &kBuiltInOps},
};
const HardwareObjectTable kHardwareTable = {"serqmx2.dll", 3, kHardwareObjects};

const platform::KernelServices* kernel = nullptr;

const platform::KernelServices* Kernel() {
    if (!kernel) {
        if (auto find = reinterpret_cast<platform::PfnQmx2Kernel>(
                platform::FindLoadedSymbol(platform::kKernelSymbol)))
            kernel = find();
    }
    return kernel;
}

template <typename F>
auto WithLastError(F&& f) {
    const platform::KernelServices* k = Kernel();
    if (k && k->get_last_error) platform::SetLastError(k->get_last_error());
    auto result = f();
    if (k && k->set_last_error) k->set_last_error(platform::GetLastError());
    return result;
}

// The built-in ports' interrupt controller, asked for through the kernel at every call, so
// that it is always the one the host publishes now.
class KernelInterrupts : public InterruptController {
public:
    bool Initialize(uint32_t id, platform::Event* event, uint32_t data) override {
        return BuiltInInterrupts(Services()).Initialize(id, event, data);
    }
    void Done(uint32_t id) override { BuiltInInterrupts(Services()).Done(id); }
    void Disable(uint32_t id) override { BuiltInInterrupts(Services()).Disable(id); }

private:
    static platform::BuiltinPortServices* Services() {
        const platform::KernelServices* k = Kernel();
        return k ? k->builtin_ports : nullptr;
    }
};
KernelInterrupts kernel_interrupts;

PortDevice* Device(uintptr_t handle) { return reinterpret_cast<PortDevice*>(handle); }
PortOpen* Context(uintptr_t handle) { return reinterpret_cast<PortOpen*>(handle); }

}  // namespace
}  // namespace qmx2::driver

using namespace qmx2::driver;

QMX2_EXPORT int32_t SerialDllEntry(void*, uint32_t, void*) { return 1; }

QMX2_EXPORT uintptr_t COM_Init(const char16_t* active_key) {
    return WithLastError([&]() -> uintptr_t {
        const auto* k = Kernel();
        if (!k || !k->platform) return 0;
        DriverEnv env;
        env.clock = k->platform->clock;
        env.registry = k->platform->registry;
        env.kernel = k;
        env.builtin = k->builtin_ports;
        if (k->builtin_ports) env.interrupts = &kernel_interrupts;
        env.hardware = &kHardwareTable;
        return reinterpret_cast<uintptr_t>(PortInit(env, active_key));
    });
}

QMX2_EXPORT int32_t COM_Deinit(uintptr_t device) {
    return WithLastError([&] { return PortDeinit(Device(device)) ? 1 : 0; });
}

QMX2_EXPORT uintptr_t COM_Open(uintptr_t device, uint32_t access, uint32_t share) {
    return WithLastError(
        [&] { return reinterpret_cast<uintptr_t>(PortOpenContext(Device(device), access, share)); });
}

QMX2_EXPORT int32_t COM_Close(uintptr_t open) {
    return WithLastError([&] { return PortClose(Context(open)) ? 1 : 0; });
}

QMX2_EXPORT int32_t COM_Read(uintptr_t open, void* buffer, uint32_t length) {
    return WithLastError(
        [&] { return PortRead(Context(open), static_cast<uint8_t*>(buffer), length); });
}

QMX2_EXPORT int32_t COM_Write(uintptr_t open, const void* buffer, uint32_t length) {
    return WithLastError(
        [&] { return PortWrite(Context(open), static_cast<const uint8_t*>(buffer), length); });
}

QMX2_EXPORT int32_t COM_Seek(uintptr_t, int32_t, uint32_t) { return -1; }

QMX2_EXPORT void COM_PowerUp(uintptr_t device) {
    if (PortDevice* d = Device(device)) d->ops().PowerOn(d->hardware_context);
}

QMX2_EXPORT int32_t COM_PowerDown(uintptr_t device) {
    PortDevice* d = Device(device);
    return d ? d->ops().PowerOff(d->hardware_context) : 1;
}

QMX2_EXPORT int32_t COM_IOControl(uintptr_t open, uint32_t code, const uint8_t* in,
                                  uint32_t in_length, uint8_t* out, uint32_t out_length,
                                  uint32_t* returned) {
    return WithLastError([&] {
        return PortIoControl(Context(open), code, in, in_length, out, out_length, returned) ? 1 : 0;
    });
}

// Every export has exactly the shape its host binds it as.
#define QMX2_CHECK_EXPORT(name, pfn) \
    static_assert(std::is_same_v<decltype(&name), qmx2::platform::pfn>, #name)
QMX2_CHECK_EXPORT(SerialDllEntry, PfnSerialDllEntry);
QMX2_CHECK_EXPORT(COM_Init, PfnComInit);
QMX2_CHECK_EXPORT(COM_Deinit, PfnComDeinit);
QMX2_CHECK_EXPORT(COM_Open, PfnComOpen);
QMX2_CHECK_EXPORT(COM_Close, PfnComClose);
QMX2_CHECK_EXPORT(COM_Read, PfnComRead);
QMX2_CHECK_EXPORT(COM_Write, PfnComWrite);
QMX2_CHECK_EXPORT(COM_Seek, PfnComSeek);
QMX2_CHECK_EXPORT(COM_PowerUp, PfnComPowerUp);
QMX2_CHECK_EXPORT(COM_PowerDown, PfnComPowerDown);
QMX2_CHECK_EXPORT(COM_IOControl, PfnComIOControl);

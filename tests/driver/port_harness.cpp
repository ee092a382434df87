// The scripted port harness.
#include "tests/driver/port_harness.h"

namespace qmx2::driver::testing {
namespace {
std::mutex started_mu;
}

std::vector<std::u16string>& StartedPrograms() {
    static std::vector<std::u16string> started;
    return started;
}

PortHarness::PortHarness(uint32_t index, uint32_t buffer_hint, bool powered)
    : clock(platform::MakeVirtualClock()), hw(*clock) {
    registry.SetText(kActiveKey, u"Key", kDriverKey);
    registry.SetNumber(kDriverKey, u"DeviceArrayIndex", index);
    kernel.create_process = [](const char16_t* image, const char16_t*) {
        std::lock_guard lk(started_mu);
        StartedPrograms().push_back(image);
        return true;
    };
    hw.buffer_hint = buffer_hint;
    hw.powered = powered;
    env.clock = clock.get();
    env.registry = &registry;
    env.kernel = &kernel;
    env.interrupts = &interrupts;
    env.hardware = &ScriptedHardwareTable();
    next_scripted_hardware = &hw;
    device = PortInit(env, kActiveKey);
    next_scripted_hardware = nullptr;
    hw.StartInterrupts();
}

PortHarness::~PortHarness() {
    hw.StopInterrupts();
    if (device) PortDeinit(device);
}

}  // namespace qmx2::driver::testing

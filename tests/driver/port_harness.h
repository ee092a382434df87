// A port on the scripted hardware layer, on a virtual clock, with the registry keys that
// COM_Init reads.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/port/port_device.h"
#include "platform/clock.h"
#include "tests/driver/memory_registry.h"
#include "tests/driver/scripted_hardware.h"

namespace qmx2::driver::testing {

inline constexpr char16_t kActiveKey[] = u"Drivers\\Active\\07";
inline constexpr char16_t kDriverKey[] = u"Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D";

class RecordingInterrupts : public InterruptController {
public:
    bool Initialize(uint32_t id, platform::Event* event, uint32_t data) override {
        std::lock_guard lk(mu);
        initialized.push_back(id);
        this->event = event;
        this->data = data;
        return true;
    }
    void Done(uint32_t) override {
        std::lock_guard lk(mu);
        ++done;
    }
    void Disable(uint32_t id) override {
        std::lock_guard lk(mu);
        disabled.push_back(id);
    }
    std::mutex mu;
    std::vector<uint32_t> initialized, disabled;
    platform::Event* event = nullptr;
    uint32_t data = 0;
    int done = 0;
};

std::vector<std::u16string>& StartedPrograms();

struct PortHarness {
    explicit PortHarness(uint32_t index = 1, uint32_t buffer_hint = 0, bool powered = true);
    ~PortHarness();

    PortOpen* Open(uint32_t access) { return PortOpenContext(device, access, 0); }
    PortOpen* OpenReadWrite() { return Open(platform::GENERIC_READ | platform::GENERIC_WRITE); }

    template <typename In>
    bool Set(PortOpen* open, uint32_t code, const In& in) {
        return PortIoControl(open, code, reinterpret_cast<const uint8_t*>(&in), sizeof(In),
                             nullptr, 0, nullptr);
    }
    template <typename Out>
    bool Get(PortOpen* open, uint32_t code, Out* out, uint32_t* returned = nullptr) {
        uint32_t r = 0;
        const bool ok = PortIoControl(open, code, nullptr, 0, reinterpret_cast<uint8_t*>(out),
                                      sizeof(Out), &r);
        if (returned) *returned = r;
        return ok;
    }
    void SetTimeouts(PortOpen* open, uint32_t interval, uint32_t multiplier, uint32_t constant) {
        const platform::COMMTIMEOUTS t{interval, multiplier, constant, 0, 0};
        Set(open, platform::IOCTL_SERIAL_SET_TIMEOUTS, t);
    }
    platform::DCB Dcb(PortOpen* open) {
        platform::DCB d{};
        Get(open, platform::IOCTL_SERIAL_GET_DCB, &d);
        return d;
    }

    std::unique_ptr<platform::VirtualClock> clock;
    MemoryRegistry registry;
    ScriptedHardware hw;
    RecordingInterrupts interrupts;
    platform::KernelServices kernel{};
    DriverEnv env;
    PortDevice* device = nullptr;
};

}  // namespace qmx2::driver::testing

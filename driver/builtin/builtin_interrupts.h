// The port layer's interrupt controller for the built-in ports: the platform's, reached through
// its built-in port services.
#pragma once

#include "driver/port/port_device.h"
#include "platform/builtin_port_services.h"

namespace qmx2::driver {

class BuiltInInterrupts : public InterruptController {
public:
    explicit BuiltInInterrupts(platform::BuiltinPortServices* services) : services_(services) {}
    bool Initialize(uint32_t id, platform::Event* event, uint32_t) override {
        return services_ && services_->InterruptInitialize(id, event);
    }
    void Done(uint32_t id) override {
        if (services_) services_->InterruptDone(id);
    }
    void Disable(uint32_t id) override {
        if (services_) services_->InterruptDisable(id);
    }

private:
    platform::BuiltinPortServices* services_;
};

}  // namespace qmx2::driver

// The device host's card lifecycle.
#include "devices/device_host.h"

#include <sys/stat.h>

#include "devices/active_entry.h"
#include "platform/comm_types.h"
#include "platform/serial_wire.h"

namespace qmx2::devices {

using namespace qmx2::platform;

DeviceHost::DeviceHost(Clock& clock, Registry& registry, CardBackend* card,
                       DeviceHostOptions options, DeviceChangeSink sink)
    : clock_(clock), registry_(registry), card_(card), options_(std::move(options)),
      sink_(std::move(sink)), server_(clock, devices_) {}

DeviceHost::~DeviceHost() { Stop(); }

bool DeviceHost::Start(std::string* error) {
    if (started_) return true;
    mkdir((options_.root + "/run").c_str(), 0700);
    if (!server_.Start(DeviceSocketPath(options_.root), error)) return false;
    if (!card_) {
        started_ = true;
        return true;
    }
    // The entry goes in before the card: the emulated card's driver starts the commander from
    // COM_Init, and the commander looks for the port under "Drivers\Active" as soon as it runs.
    const uint32_t rc = WriteActiveEntry(registry_, options_.name, card_->Identity(), &active_key_);
    if (rc != ERROR_SUCCESS) {
        *error = "cannot write the card's entry under Drivers\\Active (error " +
                 std::to_string(rc) + ")";
        server_.Stop();
        return false;
    }
    if (!card_->Insert(error)) {
        RemoveActiveEntry(registry_, active_key_);
        server_.Stop();
        return false;
    }
    devices_.Register(options_.name, card_->Driver());
    started_ = true;
    if (sink_) sink_(DBT_DEVICEARRIVAL, options_.name);
    return true;
}

void DeviceHost::Stop() {
    if (!started_) return;
    started_ = false;
    if (!card_) {
        server_.Stop();
        return;
    }
    RemoveActiveEntry(registry_, active_key_);
    if (sink_) sink_(DBT_DEVICEREMOVECOMPLETE, options_.name);
    devices_.Unregister(options_.name);
    server_.Stop();
    card_->Remove();
}

}  // namespace qmx2::devices

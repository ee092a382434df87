// The serial driver's power requests and the free-port check, each on the card's port opened
// for that one request and closed again.
#pragma once

#include "commander/card_init.h"
#include "platform/text.h"

namespace qmx2::platform {
class Devices;
}

namespace qmx2::commander {

inline constexpr int kPoweredOff = 0;
inline constexpr int kPoweredOn = 1;
inline constexpr int kPowerUnknown = -1;  // the driver gave no answer

class CardPower {
public:
    virtual ~CardPower() = default;
    virtual int PowerState() = 0;
    virtual bool PowerUp() = 0;
    virtual bool PowerDown() = 0;
};

// Both on a device name of the handheld's device namespace.
class CardDriver : public CardPower, public PortProbe {
public:
    CardDriver(platform::Devices& devices, platform::WideString port)
        : devices_(devices), port_(std::move(port)) {}

    int PowerState() override;
    bool PowerUp() override;
    bool PowerDown() override;
    // Opened for reading and writing without sharing, closed at once.
    bool TryOpen() override;

private:
    bool Request(uint32_t code, void* out, uint32_t out_length);

    platform::Devices& devices_;
    const platform::WideString port_;
};

}  // namespace qmx2::commander

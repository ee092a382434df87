// The commander's registry values: where the card's port is, the data-call command, the
// start-at-card-event flag and the driver's automatic power-up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace qmx2::platform {
class Registry;
}

namespace qmx2::commander {

inline constexpr std::string_view kDefaultModemCommand = "AT+CBST=0,0,1;+CHSN=1,0,0,0";
inline constexpr size_t kMaxModemCommand = 49;  // read into 100 bytes of 16-bit text

struct CommanderSettings {
    std::string modem_command{kDefaultModemCommand};  // "ATModemCmd"; empty or missing: default
    bool run_at_event = false;                        // "NotifyFlag" reads "On"
    uint32_t auto_power_up = 0;                       // "autopowerup" under the driver's key
};

CommanderSettings ReadSettings(platform::Registry& registry);
void WriteRunAtEventFlag(platform::Registry& registry, bool on);
void WriteAutoPowerUp(platform::Registry& registry, uint32_t value);

// The speed entry 0..14 whose command is exactly `command`, or -1.
int SpeedIndexOf(std::string_view command);
std::string_view SpeedCommand(int index);
// Makes `index`'s command the data-call command in both places it is kept.
void StoreSpeed(platform::Registry& registry, int index);

// The device name of the card's port from the first "Drivers\Active" entry whose "PnpId"
// holds "Orvan_Mobile_Phones-Orvan_Pellion"; nothing when the card is not there.
std::optional<platform::WideString> FindCardPort(platform::Registry& registry);

}  // namespace qmx2::commander

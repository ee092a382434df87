// The card's lock state as its reply to "AT+CPIN?" names it.
#pragma once

#include <string_view>

namespace qmx2::commander {

enum class CardState {
    kReady,
    kSimPin2,
    kSimPuk2,
    kSimPin,
    kSimPuk,
    kPhSimPin,
    kPhFsimPin,
    kPhFsimPuk,
    kPhNetPin,
    kPhNetPuk,
    kError,       // the reply holds "ERROR": ask again a little later
    kUnexpected,  // anything else, a failed transaction included
};

// A state is recognised only as a whole word after "+CPIN:", so that "PH-FSIM PIN" is not
// taken for "SIM PIN", "SIM PIN2" not for "SIM PIN", and a verbose "+CME ERROR: SIM PIN
// required" is an error, not a request for the PIN.
CardState ParseCardState(std::string_view reply);

}  // namespace qmx2::commander

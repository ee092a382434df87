// The PC Card services bound by name from "libpcmcia.so": all 24 functions or none.
#pragma once

#include "platform/card_services.h"
#include "platform/dynamic_library.h"

namespace qmx2::driver {

struct CardServices {
    platform::DynamicLibrary library;
    platform::PfnCardRegisterClient CardRegisterClient = nullptr;
    platform::PfnCardDeregisterClient CardDeregisterClient = nullptr;
    platform::PfnCardGetFirstTuple CardGetFirstTuple = nullptr;
    platform::PfnCardGetNextTuple CardGetNextTuple = nullptr;
    platform::PfnCardGetTupleData CardGetTupleData = nullptr;
    platform::PfnCardGetParsedTuple CardGetParsedTuple = nullptr;
    platform::PfnCardRequestExclusive CardRequestExclusive = nullptr;
    platform::PfnCardReleaseExclusive CardReleaseExclusive = nullptr;
    platform::PfnCardRequestSocketMask CardRequestSocketMask = nullptr;
    platform::PfnCardReleaseSocketMask CardReleaseSocketMask = nullptr;
    platform::PfnCardGetEventMask CardGetEventMask = nullptr;
    platform::PfnCardSetEventMask CardSetEventMask = nullptr;
    platform::PfnCardResetFunction CardResetFunction = nullptr;
    platform::PfnCardRequestWindow CardRequestWindow = nullptr;
    platform::PfnCardReleaseWindow CardReleaseWindow = nullptr;
    platform::PfnCardModifyWindow CardModifyWindow = nullptr;
    platform::PfnCardMapWindow CardMapWindow = nullptr;
    platform::PfnCardGetStatus CardGetStatus = nullptr;
    platform::PfnCardRequestIRQ CardRequestIRQ = nullptr;
    platform::PfnCardReleaseIRQ CardReleaseIRQ = nullptr;
    platform::PfnCardRequestConfiguration CardRequestConfiguration = nullptr;
    platform::PfnCardReleaseConfiguration CardReleaseConfiguration = nullptr;
    platform::PfnCardAccessConfigurationRegister CardAccessConfigurationRegister = nullptr;
    platform::PfnCardSystemPower CardSystemPower = nullptr;
};

// Loads `library_name` and resolves the 24 names in their fixed order; false (and nothing
// kept) if the library does not load or any name is missing.
bool BindCardServices(CardServices* services, const char* library_name);

}  // namespace qmx2::driver

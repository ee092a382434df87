// Binding the PC Card services by name.
#include "driver/pccard/card_services_binding.h"

namespace qmx2::driver {
namespace {

template <typename Fn>
bool Resolve(const platform::DynamicLibrary& library, const char* name, Fn* slot) {
    *slot = reinterpret_cast<Fn>(library.Find(name));
    return *slot != nullptr;
}

}  // namespace

bool BindCardServices(CardServices* s, const char* library_name) {
    if (!s->library.Load(library_name)) return false;
    const auto& l = s->library;
    const bool all =
        Resolve(l, "CardRegisterClient", &s->CardRegisterClient) &&
        Resolve(l, "CardDeregisterClient", &s->CardDeregisterClient) &&
        Resolve(l, "CardGetFirstTuple", &s->CardGetFirstTuple) &&
        Resolve(l, "CardGetNextTuple", &s->CardGetNextTuple) &&
        Resolve(l, "CardGetTupleData", &s->CardGetTupleData) &&
        Resolve(l, "CardGetParsedTuple", &s->CardGetParsedTuple) &&
        Resolve(l, "CardRequestExclusive", &s->CardRequestExclusive) &&
        Resolve(l, "CardReleaseExclusive", &s->CardReleaseExclusive) &&
        Resolve(l, "CardRequestSocketMask", &s->CardRequestSocketMask) &&
        Resolve(l, "CardReleaseSocketMask", &s->CardReleaseSocketMask) &&
        Resolve(l, "CardGetEventMask", &s->CardGetEventMask) &&
        Resolve(l, "CardSetEventMask", &s->CardSetEventMask) &&
        Resolve(l, "CardResetFunction", &s->CardResetFunction) &&
        Resolve(l, "CardRequestWindow", &s->CardRequestWindow) &&
        Resolve(l, "CardReleaseWindow", &s->CardReleaseWindow) &&
        Resolve(l, "CardModifyWindow", &s->CardModifyWindow) &&
        Resolve(l, "CardMapWindow", &s->CardMapWindow) &&
        Resolve(l, "CardGetStatus", &s->CardGetStatus) &&
        Resolve(l, "CardRequestIRQ", &s->CardRequestIRQ) &&
        Resolve(l, "CardReleaseIRQ", &s->CardReleaseIRQ) &&
        Resolve(l, "CardRequestConfiguration", &s->CardRequestConfiguration) &&
        Resolve(l, "CardReleaseConfiguration", &s->CardReleaseConfiguration) &&
        Resolve(l, "CardAccessConfigurationRegister", &s->CardAccessConfigurationRegister) &&
        Resolve(l, "CardSystemPower", &s->CardSystemPower);
    if (!all) s->library.Unload();
    return all;
}

}  // namespace qmx2::driver

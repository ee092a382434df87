// The host side of the PC Card services library libpcmcia.so: the device host (qmx2-device, or
// a test) publishes its platform as the kernel that drivers find, and inserts and pulls
// emulated cards. The driver side is the 24 "Card..." functions, bound by name.
#pragma once

#include <cstdint>
#include <memory>

#define QMX2_PCMCIA_API __attribute__((visibility("default")))

namespace qmx2::platform {
struct Platform;
class BuiltinPortServices;
}
namespace qmx2::hardware {
class PcCard;
}

namespace qmx2::pcmcia {

// What the host lends the kernel: its platform, its process start and its threads' last error.
struct HostKernel {
    platform::Platform* platform = nullptr;
    bool (*create_process)(const char16_t* image, const char16_t* command_line) = nullptr;
    uint32_t (*get_last_error)() = nullptr;
    void (*set_last_error)(uint32_t error) = nullptr;
    platform::BuiltinPortServices* builtin_ports = nullptr;  // none: no built-in ports
};

inline constexpr uint8_t kSocketCount = 4;

// Must come before any card is inserted or driver loaded; the platform's clock paces the cards.
QMX2_PCMCIA_API void SetKernel(const HostKernel& host);
// Puts a card into a free socket and starts servicing its interrupts. False if the socket is
// taken or out of range, or no kernel was set.
QMX2_PCMCIA_API bool InsertCard(uint8_t socket, std::shared_ptr<hardware::PcCard> card);
// Pulls the card: it stops answering at once, then every client gets the removal event.
QMX2_PCMCIA_API void RemoveCard(uint8_t socket);
// The card changed something by itself (a modem line, new output from the phone): the socket
// looks at what is due again.
QMX2_PCMCIA_API void PokeSocket(uint8_t socket);
// Forgets every socket, client and window (between tests; the host's end).
QMX2_PCMCIA_API void ResetServices();

}  // namespace qmx2::pcmcia

// The kernel services a loaded driver finds by the name "Qmx2Kernel"; null before SetKernel.
namespace qmx2::platform {
struct KernelServices;
}
extern "C" QMX2_PCMCIA_API const qmx2::platform::KernelServices* Qmx2Kernel();

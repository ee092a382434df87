// The state of the PC Card services: sockets, clients and windows of the one kernel that a
// process has, as the handheld's kernel keeps them.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <mutex>

#include "devices/pcmcia/pcmcia_host.h"
#include "devices/pcmcia/socket.h"
#include "platform/card_services.h"

namespace qmx2::pcmcia {

struct Client {
    platform::CARD_CLIENT_CALLBACK callback = nullptr;
    platform::CARD_REGISTER_PARMS parms{};
    int irq_socket = -1;     // socket whose interrupt it holds
    int config_socket = -1;  // socket it configured
};

struct Window {
    platform::CARD_CLIENT_HANDLE client = 0;
    uint8_t socket = 0;
    uint32_t base = 0;
    uint32_t length = 0;
    bool mapped = false;
};

struct ServicesState {
    std::mutex mu;  // never held while calling a card, a client or the clock
    platform::KernelServices kernel{};
    std::array<std::shared_ptr<Socket>, kSocketCount> sockets;
    std::map<platform::CARD_CLIENT_HANDLE, Client> clients;
    std::map<platform::CARD_WINDOW_HANDLE, Window> windows;
    uintptr_t next_handle = 0x100;
};

ServicesState& State();
std::shared_ptr<Socket> FindSocket(platform::CARD_SOCKET_HANDLE handle);
// I/O addresses that CardMapWindow hands out: socket number + 1 above the 16-bit port.
inline uintptr_t IoAddress(uint8_t socket, uint32_t port) {
    return (static_cast<uintptr_t>(socket) + 1) << 16 | (port & 0xFFFF);
}

}  // namespace qmx2::pcmcia

// The host's kernel as drivers find it, the emulated I/O bus, and the host's calls.
#include "devices/pcmcia/pcmcia_host.h"
#include "devices/pcmcia/services_state.h"
#include "hardware/pccard/pc_card.h"
#include "platform/platform.h"

namespace qmx2::pcmcia {
namespace {

using platform::KernelServices;

// Finds the socket and the card-relative offset of an I/O address inside a mapped window.
std::shared_ptr<Socket> Decode(uintptr_t address, uint32_t* offset) {
    const uintptr_t socket_plus_one = address >> 16;
    if (socket_plus_one == 0 || socket_plus_one > kSocketCount) return nullptr;
    const auto socket = static_cast<uint8_t>(socket_plus_one - 1);
    const uint32_t port = address & 0xFFFF;
    auto& s = State();
    std::lock_guard lk(s.mu);
    for (const auto& [handle, w] : s.windows) {
        if (w.mapped && w.socket == socket && port >= w.base && port - w.base < w.length) {
            *offset = port - w.base;
            return s.sockets[socket];
        }
    }
    return nullptr;
}

bool ReadRegister8(uintptr_t address, uint8_t* value) {
    uint32_t offset = 0;
    auto socket = Decode(address, &offset);
    if (!socket) return false;
    const bool ok = socket->card().IoRead(offset, socket->clock().TickMs(), value);
    socket->Wake();
    return ok;
}

bool WriteRegister8(uintptr_t address, uint8_t value) {
    uint32_t offset = 0;
    auto socket = Decode(address, &offset);
    if (!socket) return false;
    const bool ok = socket->card().IoWrite(offset, value, socket->clock().TickMs());
    socket->Wake();
    return ok;
}

}  // namespace

ServicesState& State() {
    static ServicesState state;
    return state;
}

std::shared_ptr<Socket> FindSocket(platform::CARD_SOCKET_HANDLE handle) {
    const uint8_t number = handle & 0xFF;
    if (number >= kSocketCount) return nullptr;
    auto& s = State();
    std::lock_guard lk(s.mu);
    return s.sockets[number];
}

void SetKernel(const HostKernel& host) {
    auto& s = State();
    std::lock_guard lk(s.mu);
    s.kernel = KernelServices{host.platform,       &ReadRegister8,       &WriteRegister8,
                              host.create_process, host.get_last_error, host.set_last_error,
                              host.builtin_ports};
}

bool InsertCard(uint8_t socket, std::shared_ptr<hardware::PcCard> card) {
    auto& s = State();
    platform::Clock* clock = nullptr;
    {
        std::lock_guard lk(s.mu);
        if (socket >= kSocketCount || !card || !s.kernel.platform || !s.kernel.platform->clock)
            return false;
        if (s.sockets[socket] && s.sockets[socket]->card().present()) return false;
        clock = s.kernel.platform->clock;
    }
    auto fresh = std::make_shared<Socket>(*clock, std::move(card));
    std::shared_ptr<Socket> old;
    {
        std::lock_guard lk(s.mu);
        old = std::exchange(s.sockets[socket], fresh);
    }
    return true;
}

void RemoveCard(uint8_t socket) {
    auto found = FindSocket(socket);
    if (!found) return;
    found->card().Pull();
    found->StopServicing();
    std::vector<std::pair<platform::CARD_CLIENT_CALLBACK, platform::CARD_REGISTER_PARMS>> clients;
    {
        auto& s = State();
        std::lock_guard lk(s.mu);
        for (auto& [handle, c] : s.clients) clients.emplace_back(c.callback, c.parms);
    }
    for (auto& [callback, parms] : clients)
        if (callback) callback(platform::CE_CARD_REMOVAL, socket, &parms);
}

void PokeSocket(uint8_t socket) {
    if (auto found = FindSocket(socket)) found->Wake();
}

void ResetServices() {
    auto& s = State();
    std::array<std::shared_ptr<Socket>, kSocketCount> sockets;
    {
        std::lock_guard lk(s.mu);
        sockets = std::exchange(s.sockets, {});
        s.clients.clear();
        s.windows.clear();
    }
    for (auto& socket : sockets)
        if (socket) socket->StopServicing();
}

}  // namespace qmx2::pcmcia

extern "C" QMX2_PCMCIA_API const qmx2::platform::KernelServices* Qmx2Kernel() {
    auto& s = qmx2::pcmcia::State();
    std::lock_guard lk(s.mu);
    return s.kernel.platform ? &s.kernel : nullptr;
}

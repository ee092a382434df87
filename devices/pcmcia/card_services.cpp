// The 24 PC Card services functions that drivers bind by name.
#include <cstring>

#include "devices/pcmcia/services_state.h"
#include "hardware/pccard/pc_card.h"

using namespace qmx2::platform;
using qmx2::pcmcia::FindSocket;
using qmx2::pcmcia::State;

namespace {

bool ValidClient(CARD_CLIENT_HANDLE client) {
    auto& s = State();
    std::lock_guard lk(s.mu);
    return s.clients.count(client) != 0;
}

CARD_STATUS_CODE ClientAndCard(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE socket,
                               std::shared_ptr<qmx2::pcmcia::Socket>* found) {
    if (!ValidClient(client)) return CERR_BAD_HANDLE;
    *found = FindSocket(socket);
    if (!*found || !(*found)->card().present()) return CERR_NO_CARD;
    return CERR_SUCCESS;
}

// Walks the tuples from `offset`; the first one matching `code` (0xFF: any).
bool FindTuple(const std::vector<uint8_t>& cis, uint32_t offset, uint8_t code, uint32_t* at) {
    uint32_t pos = offset;
    while (pos + 1 < cis.size() && cis[pos] != 0xFF) {
        if (code == 0xFF || cis[pos] == code) {
            *at = pos;
            return true;
        }
        pos += 2 + cis[pos + 1];
    }
    return false;
}

void ReleaseIrqOf(qmx2::pcmcia::Client& c) {
    if (c.irq_socket < 0) return;
    if (auto socket = FindSocket(static_cast<CARD_SOCKET_HANDLE>(c.irq_socket)))
        socket->ClearInterruptRoutine();
    c.irq_socket = -1;
}

}  // namespace

extern "C" {

QMX2_PCMCIA_API CARD_CLIENT_HANDLE CardRegisterClient(CARD_CLIENT_CALLBACK callback,
                                                      CARD_REGISTER_PARMS* parms) {
    if (!parms) return 0;
    auto& s = State();
    std::lock_guard lk(s.mu);
    const CARD_CLIENT_HANDLE handle = s.next_handle++;
    s.clients[handle] = qmx2::pcmcia::Client{callback, *parms, -1, -1};
    return handle;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardDeregisterClient(CARD_CLIENT_HANDLE client) {
    auto& s = State();
    qmx2::pcmcia::Client c;
    {
        std::lock_guard lk(s.mu);
        auto it = s.clients.find(client);
        if (it == s.clients.end()) return CERR_BAD_HANDLE;
        c = it->second;
        s.clients.erase(it);
        for (auto w = s.windows.begin(); w != s.windows.end();)
            w = w->second.client == client ? s.windows.erase(w) : std::next(w);
    }
    ReleaseIrqOf(c);
    if (c.config_socket >= 0)
        if (auto socket = FindSocket(static_cast<CARD_SOCKET_HANDLE>(c.config_socket)))
            socket->card().SetPowered(false);
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardGetFirstTuple(CARD_TUPLE_PARMS* parms) {
    if (!parms) return CERR_BAD_ARGS;
    auto socket = FindSocket(parms->hSocket);
    if (!socket || !socket->card().present()) return CERR_NO_CARD;
    const auto& cis = socket->card().cis();
    uint32_t at = 0;
    if (!FindTuple(cis, 0, parms->uDesiredTuple, &at)) return CERR_NO_MORE_ITEMS;
    parms->uCisOffset = at;
    parms->uTupleCode = cis[at];
    parms->uTupleLink = cis[at + 1];
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardGetNextTuple(CARD_TUPLE_PARMS* parms) {
    if (!parms) return CERR_BAD_ARGS;
    auto socket = FindSocket(parms->hSocket);
    if (!socket || !socket->card().present()) return CERR_NO_CARD;
    const auto& cis = socket->card().cis();
    if (parms->uCisOffset + 1 >= cis.size()) return CERR_NO_MORE_ITEMS;
    uint32_t at = 0;
    const uint32_t after = parms->uCisOffset + 2 + cis[parms->uCisOffset + 1];
    if (!FindTuple(cis, after, parms->uDesiredTuple, &at)) return CERR_NO_MORE_ITEMS;
    parms->uCisOffset = at;
    parms->uTupleCode = cis[at];
    parms->uTupleLink = cis[at + 1];
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardGetTupleData(CARD_DATA_PARMS* parms) {
    if (!parms || !parms->pData) return CERR_BAD_ARGS;
    auto socket = FindSocket(parms->tuple.hSocket);
    if (!socket || !socket->card().present()) return CERR_NO_CARD;
    const auto& cis = socket->card().cis();
    const uint32_t at = parms->tuple.uCisOffset;
    if (at + 1 >= cis.size()) return CERR_BAD_ARGS;
    const uint32_t length = cis[at + 1];
    if (at + 2 + length > cis.size()) return CERR_BAD_ARGS;
    parms->uDataLen = length < parms->uBufLen ? length : parms->uBufLen;
    std::memcpy(parms->pData, cis.data() + at + 2, parms->uDataLen);
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardGetParsedTuple(CARD_SOCKET_HANDLE handle, uint8_t code,
                                                    void* buffer, uint32_t* count) {
    if (!buffer || !count) return CERR_BAD_ARGS;
    if (code != CISTPL_CFTABLE_ENTRY) return CERR_BAD_ARGS;
    auto socket = FindSocket(handle);
    if (!socket || !socket->card().present()) return CERR_NO_CARD;
    const auto& cis = socket->card().cis();
    auto* out = static_cast<PARSED_CFTABLE*>(buffer);
    uint32_t n = 0;
    uint32_t at = 0;
    uint32_t from = 0;
    while (n < *count && FindTuple(cis, from, code, &at)) {
        const uint32_t length = cis[at + 1];
        if (at + 2 + length > cis.size()) break;
        qmx2::hardware::ConfigTableEntry entry;
        if (qmx2::hardware::ParseConfigTableEntry(cis.data() + at + 2, length, &entry)) {
            PARSED_CFTABLE parsed{};
            parsed.ConfigIndex = entry.index;
            parsed.NumIOEntries = static_cast<uint8_t>(entry.io.size());
            for (size_t i = 0; i < entry.io.size(); ++i) {
                parsed.IOBase[i] = entry.io[i].base;
                parsed.IOLength[i] = entry.io[i].length;
            }
            out[n++] = parsed;
        }
        from = at + 2 + length;
    }
    *count = n;
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardRequestExclusive(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE socket) {
    std::shared_ptr<qmx2::pcmcia::Socket> found;
    return ClientAndCard(client, socket, &found);
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardReleaseExclusive(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE) {
    return ValidClient(client) ? CERR_SUCCESS : CERR_BAD_HANDLE;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardRequestSocketMask(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE socket,
                                                       uint16_t) {
    std::shared_ptr<qmx2::pcmcia::Socket> found;
    return ClientAndCard(client, socket, &found);
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardReleaseSocketMask(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE) {
    return ValidClient(client) ? CERR_SUCCESS : CERR_BAD_HANDLE;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardGetEventMask(CARD_CLIENT_HANDLE client, CARD_EVENT_MASK_PARMS* parms) {
    auto& s = State();
    std::lock_guard lk(s.mu);
    auto it = s.clients.find(client);
    if (it == s.clients.end() || !parms) return CERR_BAD_HANDLE;
    parms->fEventMask = it->second.parms.fEventMask;
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardSetEventMask(CARD_CLIENT_HANDLE client, CARD_EVENT_MASK_PARMS* parms) {
    auto& s = State();
    std::lock_guard lk(s.mu);
    auto it = s.clients.find(client);
    if (it == s.clients.end() || !parms) return CERR_BAD_HANDLE;
    it->second.parms.fEventMask = parms->fEventMask;
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardResetFunction(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE socket) {
    std::shared_ptr<qmx2::pcmcia::Socket> found;
    if (const auto r = ClientAndCard(client, socket, &found); r != CERR_SUCCESS) return r;
    found->card().ResetFunction();
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_WINDOW_HANDLE CardRequestWindow(CARD_CLIENT_HANDLE client, CARD_WINDOW_PARMS* parms) {
    if (!parms || !(parms->fAttributes & 1)) return 0;  // only I/O windows exist here
    std::shared_ptr<qmx2::pcmcia::Socket> found;
    if (ClientAndCard(client, parms->hSocket, &found) != CERR_SUCCESS) return 0;
    auto& s = State();
    std::lock_guard lk(s.mu);
    const CARD_WINDOW_HANDLE handle = s.next_handle++;
    s.windows[handle] = qmx2::pcmcia::Window{client, static_cast<uint8_t>(parms->hSocket & 0xFF), 0,
                                             parms->uWindowSize, false};
    return handle;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardReleaseWindow(CARD_WINDOW_HANDLE window) {
    auto& s = State();
    std::lock_guard lk(s.mu);
    return s.windows.erase(window) ? CERR_SUCCESS : CERR_BAD_HANDLE;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardModifyWindow(CARD_WINDOW_HANDLE window, uint16_t, uint8_t) {
    auto& s = State();
    std::lock_guard lk(s.mu);
    return s.windows.count(window) ? CERR_SUCCESS : CERR_BAD_HANDLE;
}

QMX2_PCMCIA_API uintptr_t CardMapWindow(CARD_WINDOW_HANDLE window, uint32_t base, uint32_t length,
                                        uint32_t* granularity) {
    if (length == 0 || base > 0xFFFF || length > 0x10000 - base) return 0;
    auto& s = State();
    std::lock_guard lk(s.mu);
    auto it = s.windows.find(window);
    if (it == s.windows.end()) return 0;
    auto& socket = s.sockets[it->second.socket];
    if (!socket || !socket->card().present()) return 0;
    it->second.base = base;
    it->second.length = length;
    it->second.mapped = true;
    if (granularity) *granularity = 1;
    return qmx2::pcmcia::IoAddress(it->second.socket, base);
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardGetStatus(CARD_STATUS* status) {
    if (!status) return CERR_BAD_ARGS;
    auto socket = FindSocket(status->hSocket);
    status->fCardState = socket && socket->card().present() ? 1 : 0;
    status->fSocketState = 0;
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardRequestIRQ(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE socket,
                                                CARD_ISR isr, uintptr_t argument) {
    std::shared_ptr<qmx2::pcmcia::Socket> found;
    if (const auto r = ClientAndCard(client, socket, &found); r != CERR_SUCCESS) return r;
    if (!isr) return CERR_BAD_ARGS;
    {
        auto& s = State();
        std::lock_guard lk(s.mu);
        s.clients[client].irq_socket = socket & 0xFF;
    }
    found->SetInterruptRoutine(isr, argument);
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardReleaseIRQ(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE) {
    qmx2::pcmcia::Client c;
    {
        auto& s = State();
        std::lock_guard lk(s.mu);
        auto it = s.clients.find(client);
        if (it == s.clients.end()) return CERR_BAD_HANDLE;
        c = it->second;
        it->second.irq_socket = -1;
    }
    ReleaseIrqOf(c);
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardRequestConfiguration(CARD_CLIENT_HANDLE client, CARD_CONFIG_INFO* info) {
    if (!info) return CERR_BAD_ARGS;
    std::shared_ptr<qmx2::pcmcia::Socket> found;
    if (const auto r = ClientAndCard(client, info->hSocket, &found); r != CERR_SUCCESS) return r;
    if (info->fInterfaceType != 2 || info->uVcc == 0) return CERR_BAD_ARGS;
    found->card().SetPowered(true);
    if (info->fRegisters & 2) found->card().WriteConfigRegister(2, info->uStatusReg);
    if (info->fRegisters & 1) found->card().WriteConfigRegister(0, info->uConfigReg);
    auto& s = State();
    std::lock_guard lk(s.mu);
    s.clients[client].config_socket = info->hSocket & 0xFF;
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardReleaseConfiguration(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE socket) {
    std::shared_ptr<qmx2::pcmcia::Socket> found;
    if (const auto r = ClientAndCard(client, socket, &found); r != CERR_SUCCESS) return r;
    found->card().SetPowered(false);
    auto& s = State();
    std::lock_guard lk(s.mu);
    s.clients[client].config_socket = -1;
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardAccessConfigurationRegister(CARD_CLIENT_HANDLE client,
                                                                 CARD_SOCKET_HANDLE socket, uint8_t rw,
                                                                 uint32_t offset, uint8_t* value) {
    if (!value) return CERR_BAD_ARGS;
    std::shared_ptr<qmx2::pcmcia::Socket> found;
    if (const auto r = ClientAndCard(client, socket, &found); r != CERR_SUCCESS) return r;
    if (rw) found->card().WriteConfigRegister(offset, *value);
    else *value = found->card().ReadConfigRegister(offset);
    return CERR_SUCCESS;
}

QMX2_PCMCIA_API CARD_STATUS_CODE CardSystemPower(CARD_CLIENT_HANDLE client, CARD_SOCKET_HANDLE, uint8_t) {
    return ValidClient(client) ? CERR_SUCCESS : CERR_BAD_HANDLE;
}

}  // extern "C"

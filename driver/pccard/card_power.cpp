// Creating the PC Card layer, powering the card up (client, window, configuration-table
// search, configuration, scratch-pad test) and down, and destroying it.
#include <new>

#include "driver/pccard/card_uart.h"
#include "driver/port/registry_values.h"
#include "platform/serial_port_rules.h"

namespace qmx2::driver {
namespace {

using namespace platform;

constexpr char16_t kSettingsKey[] = u"Software\\Orvan\\SERQMX2";
constexpr uint32_t kDefaultResetDelayMs = 100;
constexpr uint32_t kMaxConfigEntries = 11;
// I/O bases in order of preference; 0 takes a card that decodes anywhere.
constexpr uint32_t kWantedBases[] = {0x2E8, 0x3E8, 0x2F8, 0x3F8, 0};
constexpr uint32_t kMinRegisterSpan = 7;

// The 16550's FIFOs in both directions, up to 115200 bit/s.
COMMPROP CardProperties() { return SerialPortProperties(16, 16, 0x20000); }

uint32_t CardEvent(uint32_t event, CARD_SOCKET_HANDLE socket, CARD_REGISTER_PARMS* info) {
    if (event == CE_CARD_REMOVAL && info && info->uClientData) {
        auto* u = reinterpret_cast<CardUart*>(info->uClientData);
        CARD_STATUS status{};
        status.hSocket = socket;
        u->services.CardGetStatus(&status);  // the answer changes nothing here
    }
    return 0;
}

struct Choice {
    uint32_t base = 0;
    uint32_t length = 0;
    uint8_t index = 0;
};

// Entries are taken in the card's order, the card's first usable entry winning; within an
// entry the preferred bases are tried in order. A range shorter than the eight registers
// (six bytes or less) never counts.
bool ChooseConfiguration(const PARSED_CFTABLE* entries, uint32_t count, Choice* choice) {
    for (uint32_t e = 0; e < count; ++e) {
        const PARSED_CFTABLE& entry = entries[e];
        const uint32_t ranges = entry.NumIOEntries < 4 ? entry.NumIOEntries : 4;
        for (uint32_t wanted : kWantedBases) {
            for (uint32_t r = 0; r < ranges; ++r) {
                if (entry.IOBase[r] == wanted && entry.IOLength[r] >= kMinRegisterSpan) {
                    *choice = {wanted, entry.IOLength[r], entry.ConfigIndex};
                    return true;
                }
            }
        }
    }
    return false;
}

bool ConfigureCard(CardUart* u) {
    CARD_REGISTER_PARMS reg{0x1C, 0xFFFF, reinterpret_cast<uintptr_t>(u)};
    u->client = u->services.CardRegisterClient(&CardEvent, &reg);
    if (!u->client) return false;
    CARD_WINDOW_PARMS window{u->socket, 1, 16, 0x80};
    u->window = u->services.CardRequestWindow(u->client, &window);
    if (!u->window) return false;
    u->clock->SleepMs(100);
    u->services.CardResetFunction(u->client, u->socket);
    uint8_t option = 0x43;
    u->services.CardAccessConfigurationRegister(u->client, u->socket, 1, 0, &option);
    PARSED_CFTABLE entries[kMaxConfigEntries] = {};
    uint32_t count = kMaxConfigEntries;
    if (u->services.CardGetParsedTuple(u->socket, CISTPL_CFTABLE_ENTRY, entries, &count) !=
        CERR_SUCCESS)
        return false;
    Choice choice;
    if (!ChooseConfiguration(entries, count < kMaxConfigEntries ? count : kMaxConfigEntries, &choice))
        return false;
    uint32_t granularity = 0;
    u->io_base = u->services.CardMapWindow(u->window, choice.base, choice.length, &granularity);
    if (!u->io_base) return false;
    u->granularity = granularity ? granularity : 1;
    CARD_CONFIG_INFO config{u->socket, 0x0102, 2, 50, 0, 0, 3, choice.index, 0x29, 0, 0, 0};
    return u->services.CardRequestConfiguration(u->client, &config) == CERR_SUCCESS;
}

void ForgetRegisters(CardUart* u) {
    for (auto& r : u->registers) {
        r.memory = nullptr;
        r.io = 0;
    }
}

void Deregister(CardUart* u) {
    if (u->client) u->services.CardDeregisterClient(u->client);
    u->client = 0;
    u->window = 0;
    ForgetRegisters(u);
}

bool ScratchPadAnswers(CardUart* u) {
    bool answers = false;
    Locked(u, [&] {
        Out(u, kScratch, 0xC6);
        Out(u, kInterruptEnable, 0);
        answers = In(u, kScratch) == 0xC6;
    });
    return answers;
}

}  // namespace

void* CardUartCreate(const WideChar* active_key, PortDevice* port) {
    Registry& registry = *port->env.registry;
    uint16_t socket = 0;
    if (!ReadBinaryValue(registry, active_key, u"Sckt", &socket, sizeof(socket))) {
        const auto number = ReadNumberValue(registry, active_key, u"Sckt");
        if (!number) return nullptr;
        socket = static_cast<uint16_t>(*number);
    }
    auto* u = new (std::nothrow) CardUart(*port->env.clock);
    if (!u) return nullptr;
    if (!port->env.kernel || !BindCardServices(&u->services, kCardServicesLibrary)) {
        delete u;
        return nullptr;
    }
    u->kernel = port->env.kernel;
    u->clock = port->env.clock;
    u->port = port;
    u->socket = socket;
    u->properties = CardProperties();
    u->divisors = kDefaultDivisors;
    if (const auto driver_key = ReadTextValue(registry, active_key, u"Key", 600)) {
        u->reset_delay_ms =
            ReadNumberValue(registry, *driver_key, u"ResetDelay").value_or(kDefaultResetDelayMs);
        u->no_scratch_pad = ReadNumberValue(registry, *driver_key, u"NoScratchPad").value_or(0);
    }
    if (ReadNumberValue(registry, kSettingsKey, u"autopowerup").value_or(0) != 0)
        CardUartPowerUp(u);
    return u;
}

int CardUartPowerUp(void* ctx) {
    auto* u = static_cast<CardUart*>(ctx);
    if (!u || u->powered_up) return 0;
    if (!ConfigureCard(u)) {
        Deregister(u);
        return 0;
    }
    u->clock->SleepMs(u->reset_delay_ms);
    for (uint8_t i = 0; i < 8; ++i) u->registers[i].io = u->io_base + i * u->granularity;
    u->notify = &NotifyEvents;
    u->notify_argument = u->port;
    u->divisors = kDefaultDivisors;
    u->uart_open_count = 0;
    if (u->no_scratch_pad) {
        u->registers[kScratch].memory = &u->scratch_substitute;
    } else if (!ScratchPadAnswers(u)) {
        Deregister(u);
        return 0;
    }
    u->powered_up = 1;
    // A port opened while the card was down (a handle for this very power request) got no
    // UART set-up and no interrupt; without them the next access open would find a dead line
    // and its first write would wait for a transmit interrupt that never comes.
    if (u->layer_open_count > 0) {
        u->uart_open_count = 1;
        OpenUartRegisters(u);
        u->services.CardRequestIRQ(u->client, u->socket, &ServiceEventsCallback,
                                   reinterpret_cast<uintptr_t>(u->port));
    }
    return 1;
}

int CardUartPowerDown(void* ctx) {
    auto* u = static_cast<CardUart*>(ctx);
    if (!u) return 0;
    if (u->powered_up) {
        while (u->layer_open_count) CardUartClose(u);
        Deregister(u);
        u->powered_up = 0;
    }
    return 1;
}

void CardUartDestroy(void* ctx) {
    auto* u = static_cast<CardUart*>(ctx);
    if (!u) return;
    while (u->layer_open_count) CardUartClose(u);
    if (u->powered_up) Deregister(u);
    delete u;
}

}  // namespace qmx2::driver

// The built-in ports of the device host: the emulated controller, the driver's built-in layer
// and the far sides' bridges.
#include "devices/pcmcia/builtin_ports.h"

#include <atomic>
#include <future>
#include <thread>

#include "devices/active_entry.h"
#include "devices/pcmcia/driver_entries.h"
#include "devices/pcmcia/pcmcia_host.h"
#include "hardware/cardsim/bridge.h"
#include "hardware/dmauart/bus_port_services.h"
#include "platform/devices.h"
#include "platform/dynamic_library.h"
#include "platform/last_error.h"
#include "platform/platform.h"
#include "platform/registry.h"
#include "platform/software_serial_port.h"

namespace qmx2::devices {
namespace {

using namespace platform;

constexpr char kDriverLibrary[] = "libserqmx2.so";

struct PortPlace {
    const char* name;
    const char16_t* driver_key;
    uint32_t object;  // "DeviceArrayIndex"
    int controller_port;
};
constexpr PortPlace kPlaces[] = {
    {"COM1:", u"Drivers\\BuiltIn\\Serial1", 0, 0},
    {"COM2:", u"Drivers\\BuiltIn\\Serial2", 2, 1},
};

const PortPlace* PlaceOf(std::string_view name) {
    for (const PortPlace& p : kPlaces)
        if (SameDeviceName(FromUtf8(name), FromUtf8(p.name))) return &p;
    return nullptr;
}

// Bytes the far side keeps queued on the line before a write waits: a paste into the terminal
// goes at the port's line rate instead of piling up in the controller.
constexpr size_t kFarSideQueue = 256;

// The cable's other end: a serial port whose line is the controller's far side of one port.
class FarSide : public SoftwareSerialPort, public hardware::SerialPeer {
public:
    FarSide(Clock& clock, hardware::DmaUartBus& bus, int port) : SoftwareSerialPort(clock), bus_(bus), port_(port) {}

    // Called by the controller under the bus lock.
    void OnByteFromUart(uint8_t byte) override { DeliverReceived(&byte, 1); }

    void SetLine(std::string_view line, bool on) {
        std::lock_guard lk(lines_mu_);
        bool* target = line == "dcd" ? &lines_.dcd : line == "cts" ? &lines_.cts : line == "dsr" ? &lines_.dsr : &lines_.ri;
        *target = on;
        bus_.WithController([&](hardware::DmaUartController& c, uint64_t now) { c.SetPeerLines(port_, lines_, now); });
    }

protected:
    int32_t LineTransmit(const uint8_t* data, uint32_t length, uint32_t timeout_ms) override {
        bus_.WithController(
            [&](hardware::DmaUartController& c, uint64_t now) { c.SendFromPeer(port_, data, length, now); });
        for (uint32_t waited = 0; waited < timeout_ms && Queued() > kFarSideQueue; ++waited) clock().SleepMs(1);
        return static_cast<int32_t>(length);
    }
    // The controller sends at its own programmed rate; the far side takes whatever it is given.
    bool LineApply(const DCB&) override { return true; }
    // The port's RTS and DTR outputs are the far side's CTS, DSR and DCD inputs.
    uint32_t LineModemStatus() override {
        const uint16_t control = bus_.WithController(
            [&](hardware::DmaUartController& c, uint64_t) { return c.control(port_); });
        return ((control & dmauart::kCtlRts) ? MS_CTS_ON : 0u) |
               ((control & dmauart::kCtlDtr) ? MS_DSR_ON | MS_RLSD_ON : 0u);
    }

private:
    size_t Queued() {
        return bus_.WithController([&](hardware::DmaUartController& c, uint64_t) { return c.pending_from_peer(port_); });
    }

    hardware::DmaUartBus& bus_;
    const int port_;
    std::mutex lines_mu_;
    hardware::PeerLines lines_;  // guarded by lines_mu_
};

struct ServedPort {
    const PortPlace* place = nullptr;
    std::string far_side_request;
    std::unique_ptr<FarSide> far;
    DriverEntries entries;
    WideString active_key;
    std::atomic<bool> stop{false};
    std::thread bridge;
    std::string far_address;
};

uint32_t WriteDriverKey(Registry& r, const PortPlace& place) {
    RegKey k = 0;
    uint32_t rc = r.CreateKey(HKEY_LOCAL_MACHINE, place.driver_key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    rc = r.SetValue(k, u"DeviceArrayIndex", REG_DWORD, &place.object, sizeof(place.object));
    r.CloseKey(k);
    return rc;
}

class Ports final : public BuiltInPorts {
public:
    Ports(const BuiltInPortsHost& host, Devices& devices)
        : host_(host), devices_(devices), bus_(*host.platform->clock), services_(*host.platform->clock, bus_) {
        services_.notification = host.notification;
        services_.debug = [this](const char* line) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            if (host_.log) host_.log("debug: " + text);
        };
    }
    ~Ports() override {
        for (auto& p : ports_) {
            p->stop = true;
            if (p->bridge.joinable()) p->bridge.join();
        }
        for (auto& p : ports_) {
            devices_.Unregister(FromUtf8(p->place->name));
            if (p->entries.device) p->entries.deinit(p->entries.device);
            if (!p->active_key.empty()) RemoveActiveEntry(*host_.platform->registry, p->active_key);
        }
        services_.StopInterrupts();
        for (auto& p : ports_)
            bus_.WithController([&](hardware::DmaUartController& c, uint64_t) { c.SetPeer(p->place->controller_port, nullptr); });
    }

    bool Start(const std::vector<BuiltInPortRequest>& requests, std::string* error) {
        Platform& platform = *host_.platform;
        pcmcia::HostKernel kernel;
        kernel.platform = &platform;
        kernel.create_process = host_.create_process;
        kernel.get_last_error = &GetLastError;
        kernel.set_last_error = &SetLastError;
        kernel.builtin_ports = &services_;
        pcmcia::SetKernel(kernel);
        if (!library_.Load(kDriverLibrary)) {
            *error = std::string("cannot load the driver ") + kDriverLibrary;
            return false;
        }
        for (const BuiltInPortRequest& r : requests) {
            auto p = std::make_unique<ServedPort>();
            p->place = PlaceOf(r.name);
            p->far_side_request = r.far_side;
            if (!p->place) {
                *error = "no built-in port " + r.name;
                return false;
            }
            p->far = std::make_unique<FarSide>(*platform.clock, bus_, p->place->controller_port);
            bus_.WithController([&](hardware::DmaUartController& c, uint64_t) {
                c.SetPeer(p->place->controller_port, p->far.get());
            });
            ServedPort& port = *p;
            ports_.push_back(std::move(p));
            if (!Serve(port, error)) return false;
        }
        return true;
    }

    std::optional<std::string> RunLineCommand(std::string_view line) override {
        const size_t a = line.find(' ');
        const std::string_view verb = line.substr(0, a);
        if (verb != "dcd" && verb != "cts" && verb != "dsr" && verb != "ri") return std::nullopt;
        const std::string_view rest = a == std::string_view::npos ? "" : line.substr(a + 1);
        const size_t b = rest.find(' ');
        const std::string_view name = rest.substr(0, b), state = b == std::string_view::npos ? "" : rest.substr(b + 1);
        if (state != "on" && state != "off") return "ERROR usage: " + std::string(verb) + " COM1:|COM2: on|off";
        for (auto& p : ports_) {
            if (!SameDeviceName(FromUtf8(name), FromUtf8(p->place->name))) continue;
            p->far->SetLine(verb, state == "on");
            return "OK";
        }
        return "ERROR no built-in port " + std::string(name) + " is served";
    }

    std::vector<std::string> FarSides() const override {
        std::vector<std::string> out;
        for (const auto& p : ports_) out.push_back(std::string(p->place->name) + " " + p->far_address);
        return out;
    }

private:
    bool Serve(ServedPort& p, std::string* error) {
        Registry& registry = *host_.platform->registry;
        const std::string name = p.place->name;
        CardIdentity identity;
        identity.driver_key = p.place->driver_key;
        uint32_t rc = WriteDriverKey(registry, *p.place);
        if (rc == ERROR_SUCCESS) rc = WriteActiveEntry(registry, FromUtf8(name), identity, &p.active_key);
        if (rc != ERROR_SUCCESS) {
            *error = "cannot write the registry keys of " + name + " (error " + std::to_string(rc) + ")";
            return false;
        }
        if (!p.entries.Bind(library_)) {
            *error = std::string("the driver ") + kDriverLibrary + " lacks its COM_ entry points";
            return false;
        }
        p.entries.device = p.entries.init(p.active_key.c_str());
        if (!p.entries.device) {
            *error = "the driver refused " + name + " (COM_Init failed)";
            return false;
        }
        devices_.Register(FromUtf8(name), &p.entries);
        return StartBridge(p, error);
    }

    // The bridge runs on its own thread; Start waits until it is reachable or has failed.
    bool StartBridge(ServedPort& p, std::string* error) {
        int tcp_port = 0;
        if (p.far_side_request.rfind("tcp:", 0) == 0) tcp_port = std::stoi(p.far_side_request.substr(4));
        std::promise<std::string> ready;  // the address, or "!" and the error
        std::future<std::string> answer = ready.get_future();
        p.bridge = std::thread([&p, tcp_port, ready = std::move(ready)]() mutable {
            bool told = false;
            const auto tell = [&](const std::string& where) {
                ready.set_value(where);
                told = true;
            };
            std::string why;
            const bool ok = tcp_port ? hardware::cardsim::ServeTcp(*p.far, tcp_port, 0, p.stop, tell, &why)
                                     : hardware::cardsim::ServePty(*p.far, "", 0, p.stop, tell, &why);
            if (!ok && !told) ready.set_value("!" + why);
        });
        const std::string where = answer.get();
        if (where.rfind('!', 0) == 0) {
            *error = std::string(p.place->name) + " far side: " + where.substr(1);
            return false;
        }
        p.far_address = where;
        return true;
    }

    BuiltInPortsHost host_;
    Devices& devices_;
    hardware::DmaUartBus bus_;
    hardware::BusPortServices services_;
    DynamicLibrary library_;
    std::vector<std::unique_ptr<ServedPort>> ports_;
};

}  // namespace

bool ParseBuiltInPortArgument(std::string_view text, BuiltInPortRequest* request, std::string* error) {
    const size_t eq = text.find('=');
    const std::string name(text.substr(0, eq));
    const std::string far = eq == std::string_view::npos ? "" : std::string(text.substr(eq + 1));
    if (!PlaceOf(name)) {
        *error = "--builtin-port names COM1: or COM2:, not \"" + name + "\"";
        return false;
    }
    bool ok = far == "pty";
    if (far.rfind("tcp:", 0) == 0) {
        const std::string digits = far.substr(4);
        ok = !digits.empty() && digits.size() <= 5 && digits.find_first_not_of("0123456789") == std::string::npos &&
             std::stoi(digits) >= 1 && std::stoi(digits) <= 65535;
    }
    if (!ok) {
        *error = "the far side of " + name + " is pty or tcp:PORT, not \"" + far + "\"";
        return false;
    }
    request->name = PlaceOf(name)->name;
    request->far_side = far;
    return true;
}

std::unique_ptr<BuiltInPorts> BuiltInPorts::Start(const BuiltInPortsHost& host,
                                                  const std::vector<BuiltInPortRequest>& ports,
                                                  Devices& devices, std::string* error) {
    if (!host.platform || !host.platform->clock || !host.platform->registry) {
        *error = "the built-in ports need the host's clock and registry";
        return nullptr;
    }
    for (size_t i = 0; i < ports.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (SameDeviceName(FromUtf8(ports[i].name), FromUtf8(ports[j].name))) {
                *error = ports[i].name + " is given twice";
                return nullptr;
            }
    auto served = std::make_unique<Ports>(host, devices);
    if (!served->Start(ports, error)) return nullptr;
    return served;
}

}  // namespace qmx2::devices

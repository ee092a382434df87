// The emulated card with the real driver behind the device host's port.
#include "devices/pcmcia/sim_card_backend.h"

#include <fstream>
#include <mutex>
#include <sstream>

#include "devices/pcmcia/driver_entries.h"
#include "devices/pcmcia/pcmcia_host.h"
#include "platform/stream_driver.h"
#include "hardware/card/control.h"
#include "hardware/card/phone.h"
#include "hardware/card/scenario.h"
#include "hardware/pccard/phone_partner.h"
#include "platform/card_services.h"
#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/dynamic_library.h"
#include "platform/last_error.h"
#include "platform/platform.h"
#include "platform/registry.h"

namespace qmx2::devices {
namespace {

using namespace platform;

constexpr uint8_t kSocket = 0;
// The key the device manager hands to COM_Init: the driver's key and the socket.
constexpr char16_t kLoaderKey[] = u"Drivers\\Active\\Sim0";
constexpr char kDriverLibrary[] = "libserqmx2.so";

uint32_t SetNumber(Registry& r, WideView key, WideView name, uint32_t value) {
    RegKey k = 0;
    uint32_t rc = r.CreateKey(HKEY_LOCAL_MACHINE, key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    rc = r.SetValue(k, name, REG_DWORD, &value, sizeof(value));
    r.CloseKey(k);
    return rc;
}

uint32_t WriteLoaderKey(Registry& r, WideView driver_key, uint16_t socket) {
    RegKey k = 0;
    uint32_t rc = r.CreateKey(HKEY_LOCAL_MACHINE, kLoaderKey, &k);
    if (rc != ERROR_SUCCESS) return rc;
    const WideString text(driver_key);
    rc = r.SetValue(k, u"Key", REG_SZ, text.c_str(),
                    static_cast<uint32_t>((text.size() + 1) * sizeof(WideChar)));
    if (rc == ERROR_SUCCESS) rc = r.SetValue(k, u"Sckt", REG_BINARY, &socket, sizeof(socket));
    r.CloseKey(k);
    return rc;
}

class SimCardBackend : public CardBackend, public hardware::card::ControlTarget {
public:
    SimCardBackend(Platform& platform, hardware::card::CardScenario phone_scenario,
                   hardware::PcCardScenario card_scenario,
                   bool (*create_process)(const char16_t*, const char16_t*))
        : platform_(platform),
          phone_(*platform.clock, std::move(phone_scenario)),
          partner_(phone_),
          card_scenario_(std::move(card_scenario)),
          create_process_(create_process) {
        // Output the phone queues by itself (a new message arriving) must wake the socket.
        phone_.SetOutputListener([] { pcmcia::PokeSocket(kSocket); });
    }
    ~SimCardBackend() override { Remove(); }

    bool Insert(std::string* error) override {
        if (inserted()) return true;
        pcmcia::HostKernel host;
        host.platform = &platform_;
        host.create_process = create_process_;
        host.get_last_error = &GetLastError;
        host.set_last_error = &SetLastError;
        // The host's built-in ports (published before any card) stay served.
        if (const KernelServices* k = Qmx2Kernel()) host.builtin_ports = k->builtin_ports;
        pcmcia::SetKernel(host);
        card_ = std::make_shared<hardware::PcCard>(card_scenario_, &partner_);
        if (!pcmcia::InsertCard(kSocket, card_)) {
            *error = "the PC Card socket is taken";
            return false;
        }
        const CardIdentity id = Identity();
        if (SetNumber(*platform_.registry, id.driver_key, u"DeviceArrayIndex", 1) != ERROR_SUCCESS ||
            WriteLoaderKey(*platform_.registry, id.driver_key, id.socket) != ERROR_SUCCESS) {
            *error = "cannot write the driver's registry keys";
            pcmcia::RemoveCard(kSocket);
            return false;
        }
        if (!library_.Load(kDriverLibrary) || !entries_.Bind(library_)) {
            *error = std::string("cannot load the driver ") + kDriverLibrary;
            pcmcia::RemoveCard(kSocket);
            return false;
        }
        entries_.device = entries_.init(kLoaderKey);
        if (!entries_.device) {
            *error = "the driver refused the card (COM_Init failed)";
            library_.Unload();
            pcmcia::RemoveCard(kSocket);
            return false;
        }
        {
            std::lock_guard lk(mu_);
            inserted_ = true;
            pulled_ = false;
        }
        platform_.clock->Update([&] { gone_ = false; });
        return true;
    }

    // The host's end: after a pull the socket has already told the driver, so only COM_Deinit
    // and the loader key are left.
    void Remove() override {
        bool pulled = false;
        {
            std::lock_guard lk(mu_);
            if (!inserted_) return;
            inserted_ = false;
            pulled = std::exchange(pulled_, true);
        }
        if (!pulled) pcmcia::RemoveCard(kSocket);
        entries_.deinit(entries_.device);
        entries_.device = 0;
        platform_.registry->DeleteKey(HKEY_LOCAL_MACHINE, kLoaderKey);
        platform_.clock->Update([&] { gone_ = true; });
    }

    // Live control. The phone sits behind the card's UART, so the card's lock guards it; the
    // socket looks at the line again afterwards in case the phone queued output.
    void Locked(const std::function<void(hardware::card::Phone&)>& fn) override {
        card_->WithUart([&](auto&) { fn(phone_); });
        pcmcia::PokeSocket(kSocket);
    }
    void SetPowered(bool on) override {
        Locked([on](hardware::card::Phone& p) { p.SetPowered(on); });
    }
    bool powered() override {
        bool on = false;
        Locked([&](hardware::card::Phone& p) { on = p.powered(); });
        return on;
    }
    // A pull as the platform sees one: the socket reports the removal to the driver (whose
    // register guard then ends every access quietly) and the host's loop finds the card gone.
    void Pull() override {
        {
            std::lock_guard lk(mu_);
            if (!inserted_ || pulled_) return;
            pulled_ = true;
        }
        pcmcia::RemoveCard(kSocket);
        platform_.clock->Update([&] { gone_ = true; });
    }
    // The host ends once its card is pulled, so a pulled card does not come back: inserted()
    // stays false and the control answers with an error.
    void Insert() override {}
    bool inserted() override {
        std::lock_guard lk(mu_);
        return inserted_ && !pulled_;
    }

    StreamDriver* Driver() override { return &entries_; }
    hardware::card::ControlTarget* LiveControl() override { return this; }
    CardIdentity Identity() const override { return PellionIdentity(); }
    bool WaitGone(uint32_t timeout_ms) override {
        return platform_.clock->WaitFor([&] { return gone_; }, timeout_ms);
    }
    std::string Describe() const override { return "emulated PC Card with libserqmx2.so"; }

private:
    Platform& platform_;
    hardware::card::Phone phone_;
    hardware::PhonePartner partner_;
    hardware::PcCardScenario card_scenario_;
    bool (*create_process_)(const char16_t*, const char16_t*);
    std::shared_ptr<hardware::PcCard> card_;
    DynamicLibrary library_;
    DriverEntries entries_;
    std::mutex mu_;
    bool inserted_ = false;  // guarded by mu_
    bool pulled_ = false;    // guarded by mu_
    bool gone_ = false;      // guarded by the clock's lock
};

}  // namespace

std::unique_ptr<CardBackend> MakeSimCardBackend(Platform& platform, const std::string& scenario_path,
                                                bool (*create_process)(const char16_t*,
                                                                       const char16_t*),
                                                std::string* error) {
    if (!platform.clock || !platform.registry) {
        *error = "the emulated card needs the host's clock and registry";
        return nullptr;
    }
    hardware::card::CardScenario phone = hardware::card::DefaultScenario();
    hardware::PcCardScenario card;
    // On the machine's own clock the servicing thread can come late by more than a FIFO's
    // worth of bytes, which a driver's interrupt routine on the handheld never is: the host's
    // chip waits for the routine instead of overrunning.
    card.pause_receive_while_interrupt_pending = true;
    if (!scenario_path.empty()) {
        auto loaded = hardware::card::LoadScenario(scenario_path);
        if (!loaded.scenario) {
            *error = loaded.error;
            return nullptr;
        }
        phone = *loaded.scenario;
        std::ifstream in(scenario_path);
        std::stringstream text;
        text << in.rdbuf();
        if (!hardware::ParsePcCardScenario(text.str(), &card, error)) return nullptr;
    }
    return std::make_unique<SimCardBackend>(platform, std::move(phone), std::move(card),
                                            create_process);
}

}  // namespace qmx2::devices

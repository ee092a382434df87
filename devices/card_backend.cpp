// Cards whose port is a software serial port: a kernel tty or a TCP modem.
#include "devices/card_backend.h"

#include <functional>

#include "devices/tcp_port.h"
#include "devices/tty_port.h"

namespace qmx2::devices {

CardIdentity PellionIdentity() {
    CardIdentity id;
    id.pnp_id = u"Orvan_Mobile_Phones-Orvan_Pellion-4C2D";
    id.driver_key = u"Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D";
    id.socket = 0x0000;  // socket 0, function 0
    return id;
}

namespace {

class SoftwarePortCard final : public CardBackend {
public:
    using Opener = std::function<std::unique_ptr<FdSerialPort>(std::string*)>;
    SoftwarePortCard(std::string description, Opener opener)
        : description_(std::move(description)), opener_(std::move(opener)) {}
    ~SoftwarePortCard() override { Remove(); }

    bool Insert(std::string* error) override {
        if (port_) return true;
        port_ = opener_(error);
        return port_ != nullptr;
    }
    void Remove() override {
        if (!port_) return;
        port_->CloseAll();
        port_->Detach();
        port_.reset();
    }
    platform::StreamDriver* Driver() override { return port_.get(); }
    CardIdentity Identity() const override { return PellionIdentity(); }
    bool WaitGone(uint32_t timeout_ms) override {
        return !port_ || port_->WaitLineLost(timeout_ms);
    }
    std::string Describe() const override { return description_; }

private:
    std::string description_;
    Opener opener_;
    std::unique_ptr<FdSerialPort> port_;
};

}  // namespace

std::unique_ptr<CardBackend> MakeCardBackend(platform::Clock& clock,
                                             const std::string& card_argument,
                                             std::string* error) {
    if (card_argument.rfind("tty:", 0) == 0 && card_argument.size() > 4) {
        const std::string path = card_argument.substr(4);
        return std::make_unique<SoftwarePortCard>(
            "tty " + path, [&clock, path](std::string* e) -> std::unique_ptr<FdSerialPort> {
                return TtyPort::Open(clock, path, e);
            });
    }
    if (card_argument.rfind("tcp:", 0) == 0) {
        const std::string rest = card_argument.substr(4);
        const size_t colon = rest.rfind(':');
        if (colon != std::string::npos && colon > 0 && colon + 1 < rest.size()) {
            const std::string host = rest.substr(0, colon), port = rest.substr(colon + 1);
            return std::make_unique<SoftwarePortCard>(
                "tcp " + rest, [&clock, host, port](std::string* e) -> std::unique_ptr<FdSerialPort> {
                    return TcpPort::Connect(clock, host, port, e);
                });
        }
    }
    if (card_argument == "sim" || card_argument.rfind("sim=", 0) == 0) {
        // The emulated PC Card with the real driver behind it is a backend of its own.
        *error = "the emulated card (--card sim) is not part of this build";
        return nullptr;
    }
    *error = "unknown card \"" + card_argument + "\": use tty:/dev/ttyX or tcp:HOST:PORT";
    return nullptr;
}

}  // namespace qmx2::devices

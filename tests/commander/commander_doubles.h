// Recording doubles of what the commander drives besides the card and the user: the driver's
// power requests, the port, the host's windows and programs, and the notification service.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "commander/commander.h"
#include "platform/clock.h"
#include "tests/commander/test_registry.h"
#include "tests/commander/scripted_card.h"
#include "tests/commander/scripted_ui.h"

namespace qmx2::commander::testing {

// One log for the order of things across the doubles.
using EventLog = std::vector<std::string>;

class FakePower : public CardPower, public PortProbe {
public:
    explicit FakePower(EventLog& log) : log_(log) {}
    int PowerState() override { return state; }
    bool PowerUp() override {
        log_.push_back("power up");
        if (!up_works) return false;
        state = kPoweredOn;
        return true;
    }
    bool PowerDown() override {
        log_.push_back("power down");
        if (!down_works) return false;
        state = kPoweredOff;
        return true;
    }
    bool TryOpen() override { return port_free; }

    int state = kPoweredOn;
    bool up_works = true;
    bool down_works = true;
    bool port_free = true;

private:
    EventLog& log_;
};

class FakeHost : public CommanderHost, public UserNotifications {
public:
    explicit FakeHost(EventLog& log) : log_(log) {}
    bool ManagerWindowExists() override { return manager_running; }
    void CloseManager() override {
        log_.push_back(manager_running ? "close manager" : "no manager");
        manager_running = false;
    }
    void EndCommander() override { log_.push_back("end commander"); ++end_requests; }
    bool StartProgram(std::string_view path, std::string_view line) override {
        log_.push_back("start " + std::string(path) + (line.empty() ? "" : " " + std::string(line)));
        return programs_start;
    }
    void ClearRunAtEvent(std::string_view path) override { log_.push_back("clear run-at-event " + std::string(path)); }
    void RunAtDeviceChange(std::string_view path) override { log_.push_back("run-at-event " + std::string(path)); }
    bool DeviceHostRunning() override { return device_host_running; }
    void MarkHandled(std::string_view program) override { log_.push_back("handled " + std::string(program)); }
    bool Raise(const platform::UserNotification& n) override {
        log_.push_back("notify " + n.program + " sound=" + n.sound);
        last_due = n.due;
        return notifications_work;
    }

    std::atomic<bool> manager_running{false};
    bool programs_start = true;
    bool notifications_work = true;
    bool device_host_running = true;
    int end_requests = 0;
    platform::WallTime last_due{};

private:
    EventLog& log_;
};

// A commander with every part faked, on a virtual clock.
struct CommanderRig {
    std::unique_ptr<platform::VirtualClock> clock = platform::MakeVirtualClock();
    TestRegistry registry;
    ScriptedUi ui;
    ScriptedCard card;
    EventLog events;
    FakePower power{events};
    FakeHost host{events};
    std::unique_ptr<Commander> commander;

    CommanderRig() {
        registry.SetText(u"Drivers\\Active\\01", u"PnpId", u"Orvan_Mobile_Phones-Orvan_Pellion-4C2D");
        registry.SetText(u"Drivers\\Active\\01", u"Name", u"COM5:");
        card.On("AT+CPIN?", {CardReply("AT+CPIN?", "+CPIN: READY")});
    }
    Commander& Make() {
        commander = std::make_unique<Commander>(CommanderParts{
            *clock, registry, ui, card, power, power, host, host, "\\Windows", "\\Windows\\Qmx2Com.exe"});
        return *commander;
    }
    Commander& Started() {
        Make().Start();
        return *commander;
    }
};

}  // namespace qmx2::commander::testing

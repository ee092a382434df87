// Card initialisation and the tray controller against the emulated card, through the shared AT
// transaction and the card's port on the virtual clock.
#include <gtest/gtest.h>

#include <cstdlib>

#include "commander/card_driver.h"
#include "commander/commander_window.h"
#include "commander/network_dialog.h"
#include "commander/operator_table.h"
#include "hardware/card/card_port.h"
#include "platform/device_file.h"
#include "tests/commander/commander_doubles.h"

namespace qmx2::commander {
namespace {

using hardware::card::CardScenario;
using hardware::card::DefaultScenario;
using hardware::card::LockKind;
using testing::W;

class EmulatedCardTest : public ::testing::Test {
protected:
    std::unique_ptr<platform::VirtualClock> clock = platform::MakeVirtualClock();
    platform::Devices devices;
    std::unique_ptr<hardware::card::CardPort> port;
    std::unique_ptr<CardDriver> driver;
    std::unique_ptr<TransactionChannel> channel;
    testing::ScriptedUi ui;

    void Insert(CardScenario scenario) {
        port = std::make_unique<hardware::card::CardPort>(*clock, std::move(scenario));
        devices.Register(u"COM5:", port.get());
        driver = std::make_unique<CardDriver>(devices, u"COM5:");
        channel = std::make_unique<TransactionChannel>(devices, *clock, u"COM5:");
    }
    ~EmulatedCardTest() override { devices.Unregister(u"COM5:"); }

    std::optional<CardMarks> Initialise() {
        CardSession session{*clock, ui, *channel};
        return InitialiseCard(session);
    }
    static hardware::card::Lock& LockOf(CardScenario& s, LockKind kind) {
        return s.sim.locks[static_cast<int>(kind)];
    }
};

TEST_F(EmulatedCardTest, FreshCardInitialises) {
    Insert(DefaultScenario());
    const std::optional<CardMarks> marks = Initialise();
    ASSERT_TRUE(marks);
    EXPECT_FALSE(marks->pin_request);
    EXPECT_FALSE(marks->phone_lock);
    EXPECT_TRUE(marks->automatic_operator);
    EXPECT_TRUE(ui.messages.empty());
}

// The modem zoo: start-up reaches the ready card on each modem, and the search lists every
// network the modem names.
TEST_F(EmulatedCardTest, ModemZooInitialisesAndSearches) {
    struct Row {
        const char* file;
        const char* charset;  // what the card was left with
        size_t networks;
    };
    const Row rows[] = {{"zoo-standard.json", "8859-1", 4},
                        {"zoo-cpin-no-ok.json", "8859-1", 3},
                        {"zoo-no-latin1.json", "IRA", 3},
                        {"zoo-index-zero.json", "8859-1", 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const auto loaded = hardware::card::LoadScenario(std::string(std::getenv("QMX2_SOURCE_DIR")) +
                                                         "/hardware/scenarios/" + row.file);
        ASSERT_TRUE(loaded.scenario) << loaded.error;
        devices.Unregister(u"COM5:");
        Insert(*loaded.scenario);
        ui.messages.clear();
        ASSERT_TRUE(Initialise());
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_NE(channel->Send("AT+CSCS?", "+CSCS", 5).find(std::string("+CSCS: \"") + row.charset),
                  std::string::npos);
        common::OperatorLookup names{kOperatorTable, {}};
        const auto list = ParseOperatorSearch(channel->Send("AT+COPS=?", "+COPS", 50), names);
        EXPECT_EQ(list.size(), row.networks);
    }
}

TEST_F(EmulatedCardTest, RejectedPinThenPuk) {
    CardScenario s = DefaultScenario();
    LockOf(s, LockKind::kSim).enabled = true;
    LockOf(s, LockKind::kSim).pin.attempts_left = 1;
    Insert(s);
    ui.codes.push_back(W("0000"));
    ui.puks.push_back(PukFields{W("12345678"), W("1111"), W("1111")});
    const std::optional<CardMarks> marks = Initialise();
    ASSERT_TRUE(marks);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Code validation failed."});
    ASSERT_EQ(ui.log.size(), 3u);
    EXPECT_EQ(ui.log[0], "code:Enter SIM PIN:Please enter SIM PIN:");
    EXPECT_EQ(ui.log[2], "puk:Enter PUK code:Please enter PUK code:");
    EXPECT_TRUE(marks->pin_request);
    EXPECT_EQ(port->WithPhone([](hardware::card::Phone& p) {
        return p.sim().locks[static_cast<int>(LockKind::kSim)].pin.code;
    }), "1111");
}

TEST_F(EmulatedCardTest, PhFsimPinGetsItsOwnDialog) {
    CardScenario s = DefaultScenario();
    LockOf(s, LockKind::kPhoneFirstSim).enabled = true;
    LockOf(s, LockKind::kPhoneFirstSim).pin.code = "55555";
    Insert(s);
    ui.codes.push_back(W("55555"));
    ASSERT_TRUE(Initialise());
    EXPECT_EQ(ui.log.at(0), "code:Enter PH-FSIM PIN:Please enter PH-FSIM PIN:");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EmulatedCardTest, QuotedCodeNeverReachesTheCard) {
    CardScenario s = DefaultScenario();
    LockOf(s, LockKind::kSim).enabled = true;
    Insert(s);
    ui.codes.push_back(W("1234\",\"0000"));
    ui.codes.push_back(W("1234"));
    ASSERT_TRUE(Initialise());
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Code validation failed."});
    EXPECT_EQ(port->WithPhone([](hardware::card::Phone& p) {
        return p.sim().locks[static_cast<int>(LockKind::kSim)].pin.attempts_left;
    }), 3);
}

TEST_F(EmulatedCardTest, SlowCardGetsElevenAttempts) {
    // "ATE1" is the first line the waking card ignores; the eleventh "AT" is answered.
    CardScenario s = DefaultScenario();
    s.delays.ignored_ats = 11;
    Insert(s);
    EXPECT_TRUE(Initialise());

    CardScenario silent = DefaultScenario();
    silent.delays.ignored_ats = 12;
    devices.Unregister(u"COM5:");
    Insert(silent);
    EXPECT_FALSE(Initialise());
    EXPECT_EQ(ui.messages.back(), "Please make sure your Pellion 2.0\r\nis powered up and SIM card is inserted.");
}

TEST_F(EmulatedCardTest, PowerRequestsAndTheBusyPort) {
    Insert(DefaultScenario());
    EXPECT_EQ(driver->PowerState(), kPoweredOn);
    EXPECT_TRUE(driver->TryOpen());
    {
        platform::DeviceFile holder;
        ASSERT_TRUE(holder.Open(devices, u"COM5:", platform::GENERIC_READ | platform::GENERIC_WRITE, 0));
        EXPECT_FALSE(driver->TryOpen());
        EXPECT_EQ(driver->PowerState(), kPoweredOn);  // a request needs no read or write access
        CardSession session{*clock, ui, *channel};
        EXPECT_FALSE(WaitForFreePort(session, *driver));
        EXPECT_EQ(ui.messages, std::vector<std::string>{
            "The communication port is opend by other application, cannot initialize pellion."});
    }
    EXPECT_TRUE(driver->PowerDown());
    EXPECT_EQ(driver->PowerState(), kPoweredOff);
    EXPECT_FALSE(port->powered());
    EXPECT_TRUE(driver->PowerUp());
    EXPECT_EQ(driver->PowerState(), kPoweredOn);
}

TEST_F(EmulatedCardTest, TrayControllerPowersTheCardDownAndUp) {
    Insert(DefaultScenario());
    testing::TestRegistry registry;
    testing::EventLog events;
    testing::FakeHost host(events);
    Commander c(CommanderParts{*clock, registry, ui, *channel, *driver, *driver, host, host,
                               "\\Windows", "\\Windows\\Qmx2Com"});
    ASSERT_TRUE(c.Start());
    EXPECT_TRUE(c.icons().card_powered);
    c.HandleMessage(8025, 0, 0);
    EXPECT_FALSE(port->powered());
    EXPECT_FALSE(c.icons().card_powered);
    c.HandleCommand(40040);
    EXPECT_TRUE(port->powered());
    EXPECT_TRUE(c.icons().card_powered);
    EXPECT_TRUE(c.menu().IsChecked(40040));
    EXPECT_TRUE(ui.messages.empty());
    c.Exit();
}

TEST_F(EmulatedCardTest, ChangeThePin) {
    CardScenario s = DefaultScenario();
    LockOf(s, LockKind::kSim).enabled = true;
    Insert(s);
    ui.codes.push_back(W("1234"));
    ASSERT_TRUE(Initialise());
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kPin, W("9999"), W("5678"), W("5678")});
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kPin, W("1234"), W("5678"), W("5678")});
    CardSession session{*clock, ui, *channel};
    ChangeAccessCode(session);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Cannot change code! Please check your old code."});
    EXPECT_EQ(port->WithPhone([](hardware::card::Phone& p) {
        return p.sim().locks[static_cast<int>(LockKind::kSim)].pin.code;
    }), "5678");
}

}  // namespace
}  // namespace qmx2::commander

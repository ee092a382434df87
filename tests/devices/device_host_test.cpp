// The device host's card lifecycle in one process: the entry and the broadcasts come and go
// with the card, and a host that cannot serve leaves nothing behind.
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

#include "devices/active_entry.h"
#include "devices/device_host.h"
#include "devices/held_starts.h"
#include "platform/comm_types.h"
#include "platform/device_file.h"
#include "platform/serial_remote.h"
#include "platform/serial_wire.h"
#include "tests/support/memory_line_port.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;

class MemoryCard final : public CardBackend {
public:
    explicit MemoryCard(Clock& clock) : port(clock) {}
    bool Insert(std::string*) override {
        if (on_insert) on_insert();  // as the driver's COM_Init does
        return ++inserts, true;
    }
    void Remove() override {
        port.CloseAll();
        ++removes;
    }
    StreamDriver* Driver() override { return &port; }
    CardIdentity Identity() const override { return PellionIdentity(); }
    bool WaitGone(uint32_t timeout_ms) override { return port.WaitLineLost(timeout_ms); }
    std::string Describe() const override { return "memory"; }
    qmx2::testing::MemoryLinePort port;
    int inserts = 0, removes = 0;
    std::function<void()> on_insert;
};

class DeviceHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qmx2-devhost-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        options.root = tmpl;
        std::string error;
        registry = OpenRegistry(options.root, &error);
        ASSERT_TRUE(registry) << error;
    }
    void TearDown() override { std::system(("rm -rf " + options.root).c_str()); }
    DeviceChangeSink Recorder() {
        return [this](uint32_t event, WideView name) { events.emplace_back(event, name); };
    }
    std::unique_ptr<Clock> clock = MakeRealClock();
    DeviceHostOptions options;
    std::unique_ptr<Registry> registry;
    std::vector<std::pair<uint32_t, WideString>> events;
};

TEST_F(DeviceHostTest, EntryAndBroadcastsFollowTheCard) {
    MemoryCard card(*clock);
    options.name = u"COM7:";
    DeviceHost host(*clock, *registry, &card, options, Recorder());
    std::string error;
    ASSERT_TRUE(host.Start(&error)) << error;
    EXPECT_EQ(FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion"), u"COM7:");
    RemoteDeviceResolver resolver(*clock, DeviceSocketPath(options.root));
    Devices program;
    program.SetResolver(&resolver);
    DeviceFile f;
    ASSERT_TRUE(f.Open(program, u"COM7:", GENERIC_READ | GENERIC_WRITE, 0));
    host.Stop();
    EXPECT_EQ(FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion"), u"");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], std::make_pair(DBT_DEVICEARRIVAL, WideString(u"COM7:")));
    EXPECT_EQ(events[1], std::make_pair(DBT_DEVICEREMOVECOMPLETE, WideString(u"COM7:")));
    EXPECT_EQ(card.port.OpenCount(), 0);  // the program's open went with the card
    EXPECT_EQ(card.removes, 1);
    uint32_t n = 0;
    EXPECT_FALSE(f.Write("AT", 2, &n));
}

TEST_F(DeviceHostTest, ASecondHostOnTheSameHandheldLeavesNothingBehind) {
    MemoryCard first_card(*clock), second_card(*clock);
    DeviceHost first(*clock, *registry, &first_card, options, Recorder());
    std::string error;
    ASSERT_TRUE(first.Start(&error)) << error;
    DeviceHostOptions other = options;
    other.name = u"COM8:";
    DeviceHost second(*clock, *registry, &second_card, other, Recorder());
    EXPECT_FALSE(second.Start(&error));
    EXPECT_EQ(error, "another device host already serves " + DeviceSocketPath(options.root));
    EXPECT_EQ(second_card.inserts, 0);  // refused before its card went in
    EXPECT_EQ(FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion"), u"COM3:");
    EXPECT_EQ(events.size(), 1u);  // only the first host's arrival
}

// The commander that the driver starts from COM_Init finds the port served when it first asks.
TEST_F(DeviceHostTest, AProgramTheDriverStartsFindsThePortServed) {
    MemoryCard card(*clock);
    options.name = u"COM7:";
    RemoteDeviceResolver resolver(*clock, DeviceSocketPath(options.root));
    Devices program;
    program.SetResolver(&resolver);
    std::vector<std::string> started;
    HeldStarts starts([&](std::u16string_view image, std::u16string_view) {
        DeviceFile f;
        started.push_back(ToUtf8(image) + (f.Open(program, u"COM7:", 0, 0) ? " served" : " not served"));
        return true;
    });
    card.on_insert = [&] { EXPECT_TRUE(starts.Request(u"Qmx2Com", u"")); };
    DeviceHost host(*clock, *registry, &card, options, Recorder());
    std::string error;
    ASSERT_TRUE(host.Start(&error)) << error;
    EXPECT_TRUE(started.empty());
    starts.Release();
    starts.Request(u"Qmx2PPC.exe", u"");
    EXPECT_EQ(started, (std::vector<std::string>{"Qmx2Com served", "Qmx2PPC.exe served"}));
}

}  // namespace
}  // namespace qmx2::devices

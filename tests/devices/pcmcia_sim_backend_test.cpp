// The device host's emulated card: the card in the socket, the driver loaded by name and
// initialised, the port served through the driver's entry points, removal.
#include <gtest/gtest.h>

#include "devices/pcmcia/sim_card_backend.h"
#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/platform.h"
#include "tests/driver/memory_registry.h"

namespace qmx2::devices {
namespace {

std::vector<std::u16string> started;
bool RecordStart(const char16_t* image, const char16_t*) {
    started.emplace_back(image);
    return true;
}

TEST(SimCardBackend, ServesAtCommandsThroughTheLoadedDriver) {
    auto clock = platform::MakeVirtualClock();
    driver::testing::MemoryRegistry registry;
    platform::Platform p;
    p.clock = clock.get();
    p.registry = &registry;
    std::string error;
    started.clear();
    auto card = MakeSimCardBackend(p, "", &RecordStart, &error);
    ASSERT_NE(card, nullptr) << error;
    ASSERT_TRUE(card->Insert(&error)) << error;
    EXPECT_EQ(started, std::vector<std::u16string>{u"Qmx2Com"});
    platform::RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(platform::HKEY_LOCAL_MACHINE, card->Identity().driver_key, &key), 0u);
    uint32_t index = 9, type = 0, size = 4;
    EXPECT_EQ(registry.QueryValue(key, u"DeviceArrayIndex", &type, &index, &size), 0u);
    EXPECT_EQ(index, 1u);
    registry.CloseKey(key);

    platform::StreamDriver* driver = card->Driver();
    const uintptr_t control = driver->Open(0, 0);
    ASSERT_NE(control, 0u);
    uint32_t powered = 0, returned = 0;
    EXPECT_TRUE(driver->IoControl(control, platform::IOCTL_CARD_IS_POWERED, nullptr, 0, &powered,
                                  4, &returned));
    EXPECT_EQ(powered, 0u);  // no "autopowerup": the commander powers the card
    EXPECT_TRUE(driver->IoControl(control, platform::IOCTL_CARD_POWER_UP, nullptr, 0, nullptr, 0,
                                  nullptr));
    EXPECT_TRUE(driver->Close(control));

    const uintptr_t port = driver->Open(platform::GENERIC_READ | platform::GENERIC_WRITE, 0);
    ASSERT_NE(port, 0u);
    EXPECT_EQ(driver->Write(port, "AT\r", 3), 3);
    std::string reply;
    char buffer[64];
    for (int i = 0; i < 5 && reply.find("OK\r\n") == std::string::npos; ++i) {
        const int32_t n = driver->Read(port, buffer, sizeof(buffer));
        if (n > 0) reply.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_NE(reply.find("OK\r\n"), std::string::npos) << reply;
    EXPECT_TRUE(driver->Close(port));

    card->Remove();
    EXPECT_TRUE(card->WaitGone(0));
    EXPECT_NE(registry.OpenKey(platform::HKEY_LOCAL_MACHINE, u"Drivers\\Active\\Sim0", &key), 0u);
    card->Remove();  // twice is harmless
}

}  // namespace
}  // namespace qmx2::devices

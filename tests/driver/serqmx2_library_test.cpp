// libserqmx2.so as the device host sees it: exactly the eleven stream entry points, bound by
// name, the kernel found in the host, the last error reported back to the host's thread.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "driver/pccard/card_services_binding.h"
#include "platform/stream_driver.h"
#include "platform/dynamic_library.h"
#include "platform/last_error.h"
#include "hardware/dmauart/bus_port_services.h"
#include "tests/driver/card_stack.h"

namespace qmx2::driver::testing {
namespace {

using namespace platform;

std::string LibraryPath(const char* name) {
    const char* build = std::getenv("QMX2_BUILD_DIR");
    return std::string(build ? build : ".") + "/lib/" + name;
}

std::set<std::string> ExportedNames(const std::string& path) {
    std::set<std::string> names;
    FILE* pipe = popen(("nm -D --defined-only " + path).c_str(), "r");
    if (!pipe) return names;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe)) {
        std::string s(line);
        const auto last = s.find_last_of(' ');
        if (last == std::string::npos) continue;
        std::string name = s.substr(last + 1);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        names.insert(name);
    }
    pclose(pipe);
    return names;
}

TEST(SerqmxLibrary, ExportsExactlyTheElevenEntryPoints) {
    const std::set<std::string> expected = {
        "COM_Init", "COM_Deinit", "COM_Open", "COM_Close", "COM_Read", "COM_Write",
        "COM_Seek", "COM_PowerUp", "COM_PowerDown", "COM_IOControl", "SerialDllEntry"};
    EXPECT_EQ(ExportedNames(LibraryPath("libserqmx2.so")), expected);
}

TEST(CardServicesBinding, AllTwentyFourNamesOrNothing) {
    CardServices good;
    EXPECT_TRUE(BindCardServices(&good, "libpcmcia.so"));
    EXPECT_NE(good.CardSystemPower, nullptr);
    CardServices missing_names;
    EXPECT_FALSE(BindCardServices(&missing_names, LibraryPath("libserqmx2.so").c_str()));
    EXPECT_FALSE(missing_names.library.loaded());
    CardServices no_library;
    EXPECT_FALSE(BindCardServices(&no_library, "libpcmcia-not-here.so"));
}

std::vector<std::u16string> started;
bool RecordStart(const char16_t* image, const char16_t* command_line) {
    started.push_back(std::u16string(image) + u"|" + command_line);
    return true;
}

struct Entries {
    PfnSerialDllEntry entry;
    PfnComInit init;
    PfnComDeinit deinit;
    PfnComOpen open;
    PfnComClose close;
    PfnComRead read;
    PfnComWrite write;
    PfnComSeek seek;
    PfnComPowerUp power_up;
    PfnComPowerDown power_down;
    PfnComIOControl io_control;
};

template <typename Fn>
Fn Bind(DynamicLibrary& lib, const char* name) {
    return reinterpret_cast<Fn>(lib.Find(name));
}

TEST(SerqmxLibrary, ServesTheCardThroughItsEntryPoints) {
    CardStackOptions options;
    CardStack stack(options);  // sets the kernel, inserts the card, writes the keys
    PortDeinit(stack.device);  // the library makes its own port
    stack.device = nullptr;
    pcmcia::HostKernel host;
    host.platform = &stack.platform;
    host.create_process = &RecordStart;
    host.get_last_error = &GetLastError;
    host.set_last_error = &SetLastError;
    pcmcia::SetKernel(host);
    started.clear();

    DynamicLibrary lib;
    ASSERT_TRUE(lib.Load(LibraryPath("libserqmx2.so")));
    Entries e{Bind<PfnSerialDllEntry>(lib, "SerialDllEntry"), Bind<PfnComInit>(lib, "COM_Init"),
              Bind<PfnComDeinit>(lib, "COM_Deinit"),          Bind<PfnComOpen>(lib, "COM_Open"),
              Bind<PfnComClose>(lib, "COM_Close"),            Bind<PfnComRead>(lib, "COM_Read"),
              Bind<PfnComWrite>(lib, "COM_Write"),            Bind<PfnComSeek>(lib, "COM_Seek"),
              Bind<PfnComPowerUp>(lib, "COM_PowerUp"),        Bind<PfnComPowerDown>(lib, "COM_PowerDown"),
              Bind<PfnComIOControl>(lib, "COM_IOControl")};
    EXPECT_EQ(e.entry(nullptr, 1, nullptr), 1);
    EXPECT_EQ(e.entry(nullptr, 0, nullptr), 1);

    const uintptr_t device = e.init(kCardActiveKey);
    ASSERT_NE(device, 0u);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], u"Qmx2Com|");

    const uintptr_t control = e.open(device, 0, 0);
    ASSERT_NE(control, 0u);
    char version[8] = {};
    uint32_t returned = 0;
    EXPECT_EQ(e.io_control(control, IOCTL_DRIVER_VERSION, nullptr, 0,
                           reinterpret_cast<uint8_t*>(version), sizeof(version), &returned), 1);
    EXPECT_STREQ(version, "1.12");
    SetLastError(0);
    EXPECT_EQ(e.io_control(control, IOCTL_SERIAL_SET_DTR, nullptr, 0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);  // the driver's error reached this thread

    const uintptr_t port = e.open(device, GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_NE(port, 0u);
    EXPECT_EQ(e.open(device, GENERIC_READ, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_EQ(e.write(port, "ATI\r", 4), 4);
    char reply[8] = {};
    EXPECT_EQ(e.read(port, reply, 4), 4);
    EXPECT_EQ(std::string(reply, 4), "ATI\r");
    EXPECT_EQ(e.seek(port, 10, 0), -1);
    e.power_up(device);
    EXPECT_EQ(e.power_down(device), 1);
    EXPECT_EQ(e.power_down(0), 1);
    SetLastError(0);
    EXPECT_EQ(e.deinit(0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(e.close(port), 1);
    EXPECT_EQ(e.close(control), 1);
    EXPECT_EQ(e.deinit(device), 1);
}

TEST(SerqmxLibrary, ServesABuiltInPortWhenTheHostHasThem) {
    CardStack stack;
    PortDeinit(stack.device);
    stack.device = nullptr;
    hardware::DmaUartBus bus(*stack.clock);
    hardware::BusPortServices services(*stack.clock, bus);
    struct Far : hardware::SerialPeer {
        void OnByteFromUart(uint8_t b) override { got.push_back(static_cast<char>(b)); }
        std::string got;
    } far;
    bus.WithController([&](hardware::DmaUartController& c, uint64_t) { c.SetPeer(1, &far); });
    pcmcia::HostKernel host;
    host.platform = &stack.platform;
    host.create_process = &RecordStart;
    host.builtin_ports = &services;
    pcmcia::SetKernel(host);
    stack.registry.SetText(u"Drivers\\Active\\04", u"Key", u"Drivers\\BuiltIn\\Serial2");
    stack.registry.SetNumber(u"Drivers\\BuiltIn\\Serial2", u"DeviceArrayIndex", 2);

    DynamicLibrary lib;
    ASSERT_TRUE(lib.Load(LibraryPath("libserqmx2.so")));
    auto init = Bind<PfnComInit>(lib, "COM_Init");
    auto deinit = Bind<PfnComDeinit>(lib, "COM_Deinit");
    auto open = Bind<PfnComOpen>(lib, "COM_Open");
    auto close = Bind<PfnComClose>(lib, "COM_Close");
    auto write = Bind<PfnComWrite>(lib, "COM_Write");
    const uintptr_t device = init(u"Drivers\\Active\\04");
    ASSERT_NE(device, 0u);
    const uintptr_t port = open(device, GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_NE(port, 0u);
    EXPECT_EQ(write(port, "AT\r", 3), 3);
    stack.clock->SleepMs(20);
    services.StopInterrupts();
    bus.Service();
    EXPECT_EQ(far.got, "AT\r");
    EXPECT_EQ(close(port), 1);
    EXPECT_EQ(deinit(device), 1);
    // A port someone else has enabled is not taken.
    ASSERT_TRUE(bus.Write16(dmauart::kPorts[1].status + dmauart::kControlOffset, dmauart::kCtlPortEnabled));
    EXPECT_EQ(init(u"Drivers\\Active\\04"), 0u);
    host.builtin_ports = nullptr;
    pcmcia::SetKernel(host);
}

TEST(SerqmxLibrary, InitFailsWithoutTheSocketValue) {
    CardStack stack;
    PortDeinit(stack.device);
    stack.device = nullptr;
    stack.registry.Remove(kCardActiveKey, u"Sckt");
    EXPECT_EQ(PortInit(stack.env, kCardActiveKey), nullptr);
}

}  // namespace
}  // namespace qmx2::driver::testing

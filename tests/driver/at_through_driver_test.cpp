// The AT command transaction of the programs, through the driver's port on the emulated card
// with the emulated phone behind its UART.
#include <gtest/gtest.h>

#include "common/at_transaction.h"
#include "hardware/card/phone.h"
#include "hardware/pccard/phone_partner.h"
#include "platform/devices.h"
#include "platform/stream_driver.h"
#include "tests/driver/card_stack.h"

namespace qmx2::driver::testing {
namespace {

// The port as the platform's device namespace serves it to programs.
class PortStreamDriver : public platform::StreamDriver {
public:
    explicit PortStreamDriver(PortDevice* device) : device_(device) {}
    uintptr_t Open(uint32_t access, uint32_t share) override {
        return reinterpret_cast<uintptr_t>(PortOpenContext(device_, access, share));
    }
    bool Close(uintptr_t open) override { return PortClose(reinterpret_cast<PortOpen*>(open)); }
    int32_t Read(uintptr_t open, void* buffer, uint32_t length) override {
        return PortRead(reinterpret_cast<PortOpen*>(open), static_cast<uint8_t*>(buffer), length);
    }
    int32_t Write(uintptr_t open, const void* buffer, uint32_t length) override {
        return PortWrite(reinterpret_cast<PortOpen*>(open), static_cast<const uint8_t*>(buffer),
                         length);
    }
    bool IoControl(uintptr_t open, uint32_t code, const void* in, uint32_t in_length, void* out,
                   uint32_t out_length, uint32_t* returned) override {
        return PortIoControl(reinterpret_cast<PortOpen*>(open), code,
                             static_cast<const uint8_t*>(in), in_length,
                             static_cast<uint8_t*>(out), out_length, returned);
    }

private:
    PortDevice* device_;
};

TEST(AtThroughDriver, CommandAndReplyOverTheEmulatedUart) {
    // One clock for everything: the stack comes first, with a partner that forwards to a phone
    // made on the stack's clock.
    struct Forward : hardware::LinePartner {
        hardware::LinePartner* to = nullptr;
        void Receive(const uint8_t* b, size_t n) override { if (to) to->Receive(b, n); }
        std::optional<uint64_t> NextByteTick() override {
            return to ? to->NextByteTick() : std::nullopt;
        }
        size_t Transmit(uint8_t* out, size_t c, uint64_t now) override {
            return to ? to->Transmit(out, c, now) : 0;
        }
        void SetPowered(bool on) override { if (to) to->SetPowered(on); }
    } forward;
    CardStackOptions o;
    o.partner = &forward;
    o.autopowerup = false;
    CardStack s(o);
    hardware::card::Phone phone(*s.clock, hardware::card::DefaultScenario());
    hardware::PhonePartner partner(phone);
    forward.to = &partner;
    PortOpen* control = s.Open(0);
    ASSERT_TRUE(s.Control(control, platform::IOCTL_CARD_POWER_UP));
    ASSERT_TRUE(PortClose(control));

    PortStreamDriver driver(s.device);
    platform::Devices devices;
    devices.Register(u"COM3:", &driver);
    common::AtChannel channel(devices, *s.clock);
    channel.SetPortName(u"COM3:");
    const std::string reply = common::SendAtCommand(channel, "AT", "AT", 5);
    EXPECT_NE(reply.find("OK"), std::string::npos) << reply;
    EXPECT_FALSE(common::IsCommFailure(reply)) << reply;
    EXPECT_EQ(s.ChipDivisor(), 6);  // the transaction runs the line at 19200
    const std::string model = common::SendAtCommand(channel, "AT+CGMI", "CGMI", 5);
    EXPECT_NE(model.find("OK"), std::string::npos) << model;
    forward.to = nullptr;
}

// A card that stops taking bytes (it sent XOFF and fell silent) under a port without write
// time-outs: the transaction's write is bounded and the call ends as a reply that never came.
TEST(AtThroughDriver, WriteToALineThatTakesNothingEndsAsATimeout) {
    CardStack s;
    PortOpen* keeper = s.Open(0);  // keeps the port open, so the hold outlives the next open
    ASSERT_NE(keeper, nullptr);
    s.device->SetFlags(kTransmitHeld);
    PortStreamDriver driver(s.device);
    platform::Devices devices;
    devices.Register(u"COM3:", &driver);
    common::AtChannel channel(devices, *s.clock);
    channel.SetPortName(u"COM3:");
    const uint64_t start = s.clock->TickMs();
    EXPECT_STREQ(common::SendAtCommand(channel, "AT+CSQ", "CSQ", 5), "Comm failure(timeout)");
    const uint64_t took = s.clock->TickMs() - start;
    EXPECT_GE(took, 5000u + 6 * common::kWriteTimeoutPerByteMs);
    EXPECT_LE(took, 5000u + 6 * common::kWriteTimeoutPerByteMs + 7000u);
    EXPECT_EQ(s.echo.received(), "");
    EXPECT_TRUE(PortClose(keeper));
}

}  // namespace
}  // namespace qmx2::driver::testing

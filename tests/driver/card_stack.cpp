// The driver stack on the emulated card.
#include "tests/driver/card_stack.h"

#include "platform/last_error.h"

namespace qmx2::driver::testing {
namespace {

const HardwareObject kObjects[3] = {
    {kBindThreadForLife, 19, nullptr},
    {0, 0, &kCardUartOps},
    {kBindThreadForLife, 25, nullptr},
};
const HardwareObjectTable kTable = {"serqmx2.dll", 3, kObjects};

}  // namespace

const HardwareObjectTable& CardHardwareTable() { return kTable; }

CardStack::CardStack(CardStackOptions options) : clock(platform::MakeVirtualClock()) {
    platform.clock = clock.get();
    platform.registry = &registry;
    pcmcia::ResetServices();
    pcmcia::HostKernel host;
    host.platform = &platform;
    host.get_last_error = &platform::GetLastError;
    host.set_last_error = &platform::SetLastError;
    pcmcia::SetKernel(host);
    card = std::make_shared<hardware::PcCard>(options.scenario,
                                              options.partner ? options.partner : &echo);
    pcmcia::InsertCard(0, card);

    registry.SetText(kCardActiveKey, u"Key", kCardDriverKey);
    registry.SetBinary(kCardActiveKey, u"Sckt", {0x00, 0x00});
    registry.SetNumber(kCardDriverKey, u"DeviceArrayIndex", 1);
    if (options.reset_delay_ms) registry.SetNumber(kCardDriverKey, u"ResetDelay", *options.reset_delay_ms);
    if (options.no_scratch_pad) registry.SetNumber(kCardDriverKey, u"NoScratchPad", 1);
    registry.SetNumber(u"Software\\Orvan\\SERQMX2", u"autopowerup", options.autopowerup ? 1 : 0);

    env.clock = clock.get();
    env.registry = &registry;
    env.kernel = Qmx2Kernel();
    env.hardware = &kTable;
    device = PortInit(env, kCardActiveKey);
}

CardStack::~CardStack() {
    if (device) PortDeinit(device);
    pcmcia::ResetServices();
}

PortOpen* CardStack::OpenReadWrite() {
    return Open(platform::GENERIC_READ | platform::GENERIC_WRITE);
}

int32_t CardStack::Write(PortOpen* o, const std::string& bytes) {
    return PortWrite(o, reinterpret_cast<const uint8_t*>(bytes.data()),
                     static_cast<uint32_t>(bytes.size()));
}

std::string CardStack::Read(PortOpen* o, uint32_t length) {
    std::string buffer(length, '\0');
    const int32_t n = PortRead(o, reinterpret_cast<uint8_t*>(buffer.data()), length);
    return n > 0 ? buffer.substr(0, static_cast<size_t>(n)) : std::string();
}

bool CardStack::Control(PortOpen* o, uint32_t code, const void* in, uint32_t in_length, void* out,
                        uint32_t out_length, uint32_t* returned) {
    uint32_t ignored = 0;
    return PortIoControl(o, code, static_cast<const uint8_t*>(in), in_length,
                         static_cast<uint8_t*>(out), out_length, returned ? returned : &ignored);
}

void CardStack::SetTimeouts(PortOpen* o, uint32_t interval, uint32_t multiplier, uint32_t constant) {
    const platform::COMMTIMEOUTS t{interval, multiplier, constant, 0, 0};
    Control(o, platform::IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof(t));
}

void CardStack::SetDcb(PortOpen* o, const platform::DCB& dcb) {
    Control(o, platform::IOCTL_SERIAL_SET_DCB, &dcb, sizeof(dcb));
}

platform::DCB CardStack::Dcb(PortOpen* o) {
    platform::DCB d{};
    Control(o, platform::IOCTL_SERIAL_GET_DCB, nullptr, 0, &d, sizeof(d));
    return d;
}

}  // namespace qmx2::driver::testing

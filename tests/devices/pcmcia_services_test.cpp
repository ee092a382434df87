// The PC Card services library: tuples, windows and the I/O bus, configuration, interrupts
// and removal, as a client sees them.
#include <gtest/gtest.h>

#include "devices/pcmcia/pcmcia_host.h"
#include "hardware/pccard/pc_card.h"
#include "platform/card_services.h"
#include "platform/clock.h"
#include "platform/platform.h"

extern "C" {
using namespace qmx2::platform;
CARD_CLIENT_HANDLE CardRegisterClient(CARD_CLIENT_CALLBACK, CARD_REGISTER_PARMS*);
CARD_STATUS_CODE CardDeregisterClient(CARD_CLIENT_HANDLE);
CARD_STATUS_CODE CardGetFirstTuple(CARD_TUPLE_PARMS*);
CARD_STATUS_CODE CardGetNextTuple(CARD_TUPLE_PARMS*);
CARD_STATUS_CODE CardGetTupleData(CARD_DATA_PARMS*);
CARD_STATUS_CODE CardGetParsedTuple(CARD_SOCKET_HANDLE, uint8_t, void*, uint32_t*);
CARD_WINDOW_HANDLE CardRequestWindow(CARD_CLIENT_HANDLE, CARD_WINDOW_PARMS*);
uintptr_t CardMapWindow(CARD_WINDOW_HANDLE, uint32_t, uint32_t, uint32_t*);
CARD_STATUS_CODE CardRequestConfiguration(CARD_CLIENT_HANDLE, CARD_CONFIG_INFO*);
CARD_STATUS_CODE CardRequestIRQ(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE, CARD_ISR, uintptr_t);
CARD_STATUS_CODE CardReleaseIRQ(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE);
CARD_STATUS_CODE CardGetStatus(CARD_STATUS*);
}

namespace qmx2::pcmcia {
namespace {

struct Services {
    Services() : clock(platform::MakeVirtualClock()) {
        platform.clock = clock.get();
        ResetServices();
        HostKernel host;
        host.platform = &platform;
        SetKernel(host);
        card = std::make_shared<hardware::PcCard>(hardware::PcCardScenario{}, nullptr);
        EXPECT_TRUE(InsertCard(1, card));
    }
    ~Services() { ResetServices(); }
    std::unique_ptr<platform::VirtualClock> clock;
    platform::Platform platform;
    std::shared_ptr<hardware::PcCard> card;
};

std::vector<uint32_t> removal_events;
uint32_t OnEvent(uint32_t event, CARD_SOCKET_HANDLE, CARD_REGISTER_PARMS*) {
    removal_events.push_back(event);
    return 0;
}

int interrupts = 0;
void CountInterrupt(uintptr_t argument) {
    ++interrupts;
    // Answer the interrupt as a driver would: read the identification.
    uint8_t v = 0;
    Qmx2Kernel()->read_register8(argument + 2, &v);
}

TEST(PcmciaServices, TuplesWalkAndParse) {
    Services s;
    CARD_TUPLE_PARMS t{1, 0xFF, 0, 0, 0};
    ASSERT_EQ(CardGetFirstTuple(&t), CERR_SUCCESS);
    EXPECT_EQ(t.uTupleCode, 0x15);
    int entries = 0;
    for (t.uDesiredTuple = CISTPL_CFTABLE_ENTRY; CardGetNextTuple(&t) == CERR_SUCCESS;) ++entries;
    EXPECT_EQ(entries, 5);
    uint8_t data[64];
    CARD_DATA_PARMS d{{1, 0x20, 0, 0, 0}, sizeof(data), 0, data};
    ASSERT_EQ(CardGetFirstTuple(&d.tuple), CERR_SUCCESS);
    ASSERT_EQ(CardGetTupleData(&d), CERR_SUCCESS);
    EXPECT_EQ(d.uDataLen, 4u);
    EXPECT_EQ(data[2] | data[3] << 8, 0x4C2D);
    PARSED_CFTABLE parsed[11];
    uint32_t count = 3;  // asks for fewer than there are
    ASSERT_EQ(CardGetParsedTuple(1, CISTPL_CFTABLE_ENTRY, parsed, &count), CERR_SUCCESS);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(parsed[2].IOBase[0], 0x3E8u);
    count = 11;
    EXPECT_EQ(CardGetParsedTuple(0, CISTPL_CFTABLE_ENTRY, parsed, &count), CERR_NO_CARD);
}

TEST(PcmciaServices, WindowReachesTheUartOnceConfigured) {
    Services s;
    CARD_REGISTER_PARMS reg{0x1C, 0xFFFF, 0};
    const CARD_CLIENT_HANDLE client = CardRegisterClient(&OnEvent, &reg);
    ASSERT_NE(client, 0u);
    CARD_WINDOW_PARMS w{1, 1, 16, 0x80};
    const CARD_WINDOW_HANDLE window = CardRequestWindow(client, &w);
    ASSERT_NE(window, 0u);
    uint32_t granularity = 0;
    const uintptr_t base = CardMapWindow(window, 0x2F8, 8, &granularity);
    ASSERT_NE(base, 0u);
    EXPECT_EQ(granularity, 1u);
    const auto* kernel = Qmx2Kernel();
    uint8_t v = 0;
    EXPECT_FALSE(kernel->write_register8(base + 7, 0x33));  // not configured yet
    CARD_CONFIG_INFO config{1, 0x0102, 2, 50, 0, 0, 3, 2, 0x29, 0, 0, 0};
    ASSERT_EQ(CardRequestConfiguration(client, &config), CERR_SUCCESS);
    EXPECT_EQ(s.card->ReadConfigRegister(0), 2);
    EXPECT_TRUE(kernel->write_register8(base + 7, 0x33));
    EXPECT_TRUE(kernel->read_register8(base + 7, &v));
    EXPECT_EQ(v, 0x33);
    EXPECT_FALSE(kernel->read_register8(base + 8, &v));  // outside the window

    // The interrupt reaches the routine on the socket's thread, and stops after release.
    interrupts = 0;
    ASSERT_EQ(CardRequestIRQ(client, 1, &CountInterrupt, base), CERR_SUCCESS);
    kernel->write_register8(base + 4, 0x08);  // OUT2
    kernel->write_register8(base + 1, 0x02);  // transmit-ready interrupt with THR empty
    s.clock->SleepMs(5);
    EXPECT_EQ(interrupts, 1);
    ASSERT_EQ(CardReleaseIRQ(client, 1), CERR_SUCCESS);
    kernel->write_register8(base + 1, 0x00);
    kernel->write_register8(base + 1, 0x02);
    s.clock->SleepMs(5);
    EXPECT_EQ(interrupts, 1);

    removal_events.clear();
    RemoveCard(1);
    EXPECT_EQ(removal_events, std::vector<uint32_t>{CE_CARD_REMOVAL});
    EXPECT_FALSE(kernel->read_register8(base + 7, &v));
    CARD_STATUS status{1, 9, 0};
    CardGetStatus(&status);
    EXPECT_EQ(status.fCardState, 0);
    EXPECT_EQ(CardDeregisterClient(client), CERR_SUCCESS);
    EXPECT_EQ(CardDeregisterClient(client), CERR_BAD_HANDLE);
}

TEST(PcmciaServices, InsertNeedsAKernelAndAFreeSocket) {
    Services s;
    auto other = std::make_shared<hardware::PcCard>(hardware::PcCardScenario{}, nullptr);
    EXPECT_FALSE(InsertCard(1, other));
    EXPECT_FALSE(InsertCard(kSocketCount, other));
    EXPECT_TRUE(InsertCard(2, other));
    RemoveCard(1);
    EXPECT_TRUE(InsertCard(1, std::make_shared<hardware::PcCard>(hardware::PcCardScenario{}, nullptr)));
}

}  // namespace
}  // namespace qmx2::pcmcia

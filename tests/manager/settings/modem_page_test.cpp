// The "Modem" page: what a changed setting stores, posts and shows, and that an unchanged one
// does nothing.
#include <gtest/gtest.h>

#include "manager/core/main_window.h"
#include "manager/core/polling.h"
#include "manager/settings/modem_page.h"
#include "manager/settings/network_page.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

using testing::Harness;

const std::u16string kKey = u"Software\\Orvan\\QMX2";
const std::u16string kInit = u"Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D\\Init";

TEST(ModemPage, IsdnV110At14400StoresBothPlacesAndPosts5031) {
    Harness h;
    ModemPage page = OpenModemPage(*h.ctx);
    EXPECT_EQ(page.receiving, "Receiving up to 9.6 kbit/s");
    EXPECT_FALSE(page.note_enabled);
    MoveSpeedSlider(page, 1);
    EXPECT_TRUE(page.note_enabled);
    page.method = 1;
    EXPECT_TRUE(CloseModemPage(*h.ctx, page));
    EXPECT_EQ(h.registry.Text(kKey, u"ATModemCmd"), "AT+CBST=81,0,1;+CHSN=2,0,0,0");
    EXPECT_EQ(h.registry.Text(kInit, u"3"), "AT+CBST=81,0,1;+CHSN=2,0,0,0<cr>");
    EXPECT_EQ(h.peers.posted, std::vector<uint32_t>{5031});
    EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{
        "Orvan Pellion 2.0|Please close this program before making data or fax connection."});
    EXPECT_EQ(h.ctx->options.bearer, 1);
    EXPECT_EQ(h.ctx->options.speed, 1);
}

TEST(ModemPage, Modem43200UpdatesTheMonitorLines) {
    Harness h;
    ModemPage page = OpenModemPage(*h.ctx);
    MoveSpeedSlider(page, 4);
    EXPECT_EQ(page.sending, "Sending up to 14.4 kbit/s");
    EXPECT_TRUE(CloseModemPage(*h.ctx, page));
    EXPECT_EQ(h.peers.posted, std::vector<uint32_t>{5029});
    EXPECT_EQ(h.ctx->monitor.info_line1, "Receiving up to 43.2 kbit/s");
    EXPECT_EQ(h.ctx->monitor.info_line2, "Sending up to 14.4 kbit/s");
}

TEST(ModemPage, UnchangedStoresNothingAndAbsentCommanderIsSkipped) {
    Harness h;
    h.ctx->options.bearer = 2;
    h.ctx->options.speed = 3;
    ModemPage page = OpenModemPage(*h.ctx);
    EXPECT_EQ(page.method, 2);
    EXPECT_EQ(page.slider, 3);
    EXPECT_FALSE(CloseModemPage(*h.ctx, page));
    EXPECT_TRUE(h.ui.Shown().empty());
    EXPECT_EQ(h.registry.Text(kKey, u"ATModemCmd"), "<absent>");
    h.peers.commander = false;
    MoveSpeedSlider(page, 9);  // the slider has five positions
    EXPECT_EQ(page.slider, 4);
    EXPECT_TRUE(CloseModemPage(*h.ctx, page));
    EXPECT_TRUE(h.peers.posted.empty());
    EXPECT_EQ(h.registry.Text(kKey, u"ATModemCmd"), "AT+CBST=51,0,1;+CHSN=6,0,0,0");
}

// The pages run on the window thread while the worker's passes reread the same setting and
// paint the same monitor: the next pass shows what the page stored.
TEST(ModemPage, PagesOpenedAndClosedWhilePassesRun) {
    Harness h;
    h.RegisterCard();
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    for (int speed : {1, 3, 0, 4}) {
        ModemPage page = OpenModemPage(*h.ctx);
        MoveSpeedSlider(page, speed);
        CloseModemPage(*h.ctx, page);
        NetworkPage net = OpenNetworkPage(*h.ctx);
        NetworkPageCommand(*h.ctx, net, NetworkCommand::kSelectFromList);
        const int passes = h.ctx->passes.load();
        ASSERT_TRUE(h.RunUntil([&] { return h.ctx->passes.load() > passes + 1; }));
        EXPECT_EQ(MonitorSnapshot(*h.ctx).info_line1, common::ReceivingSpeedText(speed));
        EXPECT_FALSE(CurrentOperatorCopy(*h.ctx).empty());
    }
    h.StopWorker();
}

}  // namespace
}  // namespace qmx2::manager

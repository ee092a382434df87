// Qmx2Com on a real X display of the test's own (Xvfb) with its own session bus, started by the
// device host's driver as on the handheld: its card icon goes into the tray where the session
// has one, and into the log where it has none.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <thread>

#include "tests/commander/temp_root.h"
#include "tests/support/auto_power_up.h"
#include "tests/support/program_launcher.h"
#include "tests/support/dbus_recorders.h"
#include "tests/support/private_session_bus.h"

namespace {

using qmx2::testing::BuiltProgram;
using qmx2::testing::Program;
using qmx2::testing::SetAutoPowerUp;
using qmx2::testing::SourceFile;
using qmx2::commander::testing::TempRoot;
using namespace qmx2::platform;

TEST(CommanderOnXvfbTest, TrayIconWhereTheSessionHasATrayAndTheLogWhereNot) {
    qmx2::testing::PrivateSessionBus bus;
    qmx2::testing::PrivateDisplay display;
    if (!bus.ok()) GTEST_SKIP() << bus.error();
    if (!display.ok()) GTEST_SKIP() << display.error();
    qmx2::testing::UsePrivateDesktop(bus, display);
    static int argc = 1;
    static char name[] = "commander_tray_xvfb_test";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    qmx2::testing::DesktopRecorders recorders(QString::fromStdString(bus.address()), {QStringLiteral("body")});

    for (const bool tray : {true, false}) {
        if (tray) ASSERT_TRUE(recorders.StartTrayWatcher());
        else recorders.StopTrayWatcher();
        const TempRoot root;
        ASSERT_FALSE(root.path().empty());
        ASSERT_TRUE(SetAutoPowerUp(root.path()));
        {
            Program host({BuiltProgram("qmx2-device"), "--root", root.path(), "--card",
                          "sim=" + SourceFile("tests/manager/app/ready-sim.json")});
            // Without a tray the icon's line comes first: the icon is added at the end of start-up.
            if (!tray) {
                EXPECT_TRUE(host.WaitForErrorLine("Qmx2Com: no tray in this session: tray icon 5000 is in the log only"));
            }
            ASSERT_TRUE(host.WaitForErrorLine("the card is ready")) << host.ErrorText();
            if (tray) {
                // Real processes on a real display: look for up to 20 s, usually a few ms.
                for (int i = 0; i < 2000 && recorders.TrayItems().isEmpty(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                EXPECT_FALSE(recorders.TrayItems().isEmpty()) << host.ErrorText();
            }
            host.Signal(SIGTERM);  // the card is pulled: the commander ends with it
            EXPECT_TRUE(host.WaitForErrorLine("removed")) << host.ErrorText();
        }
    }
}

}  // namespace

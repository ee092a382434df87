// The commander's notifications on a desktop: 4027 (a new short message) and 4025 (memory full)
// reach a notification server on the test's own session bus with their texts and the alarm
// sound, and 4028 closes what is still shown.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>

#include "commander/commander.h"
#include "platform/desktop/desktop_notifications.h"
#include "tests/commander/commander_doubles.h"
#include "tests/commander/temp_root.h"
#include "tests/support/dbus_recorders.h"
#include "tests/support/private_session_bus.h"

namespace qmx2::commander {
namespace {

TEST(CommanderDesktopTest, NewMessageAndMemoryFullReachTheDesktopWithTheirTexts) {
    ::qmx2::testing::PrivateSessionBus bus;
    if (!bus.ok()) GTEST_SKIP() << bus.error();
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    static int argc = 1;
    static char name[] = "commander_desktop_test";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    ::qmx2::testing::DesktopRecorders recorders(QString::fromStdString(bus.address()),
                                                {QStringLiteral("body"), QStringLiteral("sound")});
    ASSERT_TRUE(recorders.StartNotificationServer());

    testing::TempRoot root;
    platform::DesktopNotificationOptions options;
    options.root = root.path();
    options.players = {};
    const std::unique_ptr<platform::Notifications> desktop = platform::MakeDesktopNotifications(options);
    testing::CommanderRig rig;
    Commander commander(CommanderParts{*rig.clock, rig.registry, rig.ui, rig.card, rig.power, rig.power, rig.host,
                                       *desktop, "\\Windows", "\\Windows\\Qmx2Com.exe"});
    ASSERT_TRUE(commander.Start());

    commander.HandleMessage(4027, 0, 0);
    commander.HandleMessage(4025, 0, 0);
    commander.HandleMessage(4025, 0, 0);
    const std::vector<::qmx2::testing::ShownNotification> shown = recorders.Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].app_name, "QMX2");
    EXPECT_EQ(shown[0].summary, "QMX2");
    EXPECT_EQ(shown[0].body, "A new short message has arrived.");
    EXPECT_EQ(shown[0].hints.value("sound-file").toString().toStdString(), root.path() + "/Windows/Alarm1.wav");
    EXPECT_EQ(shown[1].summary, "SMS memory full!");
    EXPECT_EQ(shown[1].body, "Please remove some short messages from SIM, otherwise any new short message can "
                             "not be received.");
    EXPECT_TRUE(shown[1].hints.contains("sound-file"));
    // While the memory stays full, only the light.
    EXPECT_FALSE(shown[2].hints.contains("sound-file"));
    EXPECT_TRUE(shown[2].hints.value("suppress-sound").toBool());
    // Each notification first marks the earlier ones handled: they are closed on the desktop.
    EXPECT_EQ(recorders.Closed(), (std::vector<uint32_t>{shown[0].id, shown[1].id}));

    commander.HandleMessage(4028, 0, 0);
    EXPECT_EQ(recorders.Closed().back(), shown[2].id);
}

}  // namespace
}  // namespace qmx2::commander

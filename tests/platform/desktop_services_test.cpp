// The headless desktop services: tray icons, the notification board, help requests and the
// run-at-event registrations kept in the root.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/help_viewer.h"
#include "platform/notifications.h"
#include "platform/process.h"
#include "platform/run_at_event.h"
#include "platform/tray_icons.h"
#include "tests/platform/files_temp_root.h"

using namespace qmx2::platform;
using namespace qmx2::platform::testing;

namespace {

struct Posted {
    HWND owner;
    uint32_t msg;
    WPARAM wparam;
    LPARAM lparam;
};

TEST(TrayIconLogTest, IconsAreKeptByOwnerAndIdAndClicksPostTheCallback) {
    std::vector<Posted> posted;
    std::vector<std::string> log;
    TrayIconLog tray([&](HWND o, uint32_t m, WPARAM w, LPARAM l) { posted.push_back({o, m, w, l}); },
                     [&](const std::string& line) { log.push_back(line); });
    EXPECT_TRUE(tray.Add({7, 5000, kIconCardPowered, "", 3025}));
    EXPECT_FALSE(tray.Add({7, 5000, kIconCardOff, "", 3025}));
    EXPECT_TRUE(tray.Add({8, 5000, kIconCardOff, "other owner", 3025}));
    EXPECT_FALSE(tray.Modify({7, 5001, kIconMemoryFull, "", 3025}));
    EXPECT_TRUE(tray.Modify({7, 5000, kIconCardOff, "", 3025}));
    ASSERT_EQ(tray.Icons().size(), 2u);
    EXPECT_EQ(tray.Icons()[0].icon, "card-off");

    EXPECT_TRUE(tray.Click(7, 5000));
    EXPECT_FALSE(tray.Click(7, 5001));
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].owner, 7u);
    EXPECT_EQ(posted[0].msg, 3025u);
    EXPECT_EQ(posted[0].wparam, 5000u);
    EXPECT_EQ(posted[0].lparam, static_cast<LPARAM>(WM_LBUTTONDOWN));

    EXPECT_TRUE(tray.Delete(7, 5000));
    EXPECT_FALSE(tray.Delete(7, 5000));
    EXPECT_EQ(log, (std::vector<std::string>{"tray icon 5000 added: card-powered",
                                             "tray icon 5000 added: card-off \"other owner\"",
                                             "tray icon 5000 changed: card-off", "tray icon 5000 removed"}));
}

TEST(NotificationBoardTest, KeepsSoundWithinItsLimitAndRefusesWhenFull) {
    NotificationBoard board;
    int heard = 0;
    board.SetListener([&](const UserNotification&) { ++heard; });
    UserNotification n{"\\Windows\\Qmx2PPC.exe", {}, std::string(600, 'w'), "t", "x"};
    EXPECT_TRUE(board.Raise(n));
    EXPECT_EQ(board.All().back().sound.size(), 512u);
    EXPECT_EQ(board.Pending("\\Windows\\Qmx2PPC.exe"), 1);
    board.MarkHandled("\\Windows\\Other.exe");
    EXPECT_EQ(board.Pending("\\Windows\\Qmx2PPC.exe"), 1);
    board.MarkHandled("\\Windows\\Qmx2PPC.exe");
    EXPECT_EQ(board.Pending("\\Windows\\Qmx2PPC.exe"), 0);
    board.SetRefusing(true);
    EXPECT_FALSE(board.Raise(n));
    EXPECT_EQ(heard, 1);
}

TEST(HelpRequestLogTest, RecordsTopicsAndRefusesEmptyOrOverlongOnes) {
    HelpRequestLog help;
    EXPECT_TRUE(help.Show("qmx21.htp#SHORTMESSAGE"));
    EXPECT_FALSE(help.Show(""));
    EXPECT_FALSE(help.Show(std::string(261, 'a')));
    EXPECT_EQ(help.Topics(), std::vector<std::string>{"qmx21.htp#SHORTMESSAGE"});
}

TEST(ProgramHelpViewerTest, StartsPeghelpWithTheTopicAsItsCommandLine) {
    TempRoot root;
    std::string error;
    const std::string helper = std::string(std::getenv("QMX2_BUILD_DIR")) + "/bin/qmx2_platform_test_helper";
    ASSERT_TRUE(InstallProgramLinks(root.path(), {{"peghelp.exe", helper}}, &error)) << error;
    auto clock = MakeRealClock();
    Processes processes(*clock, root.path());
    ProgramHelpViewer help(processes);
    EXPECT_FALSE(help.Show(""));
    ASSERT_TRUE(help.Show("report"));  // the helper writes its command line into the root
    const std::string report = root / "report.txt";
    for (int i = 0; i < 1000 && ReadHostFile(report).find("line=report\n") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(ReadHostFile(report).find("line=report\n"), std::string::npos) << ReadHostFile(report);
}

TEST(RunAtEventsTest, RegistrationsOutliveTheirMakerAndClearByProgram) {
    TempRoot root;
    {
        RunAtEvents events(root.path());
        EXPECT_TRUE(events.Register("\\Windows\\Qmx2Com", NOTIFICATION_EVENT_DEVICE_CHANGE));
        EXPECT_TRUE(events.Register("\\Windows\\Qmx2Com", NOTIFICATION_EVENT_DEVICE_CHANGE));
        EXPECT_TRUE(events.Register("\\Windows\\Qmx2Com", NOTIFICATION_EVENT_TIME_CHANGE));
        EXPECT_TRUE(events.Register("\\Windows\\Other", NOTIFICATION_EVENT_DEVICE_CHANGE));
        for (const char* bad : {"", "a\r\nb", "tab\there"})
            EXPECT_FALSE(events.Register(bad, NOTIFICATION_EVENT_DEVICE_CHANGE)) << bad;
        EXPECT_FALSE(events.Register(std::string(261, 'a'), NOTIFICATION_EVENT_DEVICE_CHANGE));
        EXPECT_FALSE(events.Register("\\Windows\\Qmx2Com", 99));
    }
    RunAtEvents again(root.path());
    ASSERT_EQ(again.List().size(), 3u);
    EXPECT_TRUE(again.Register("\\Windows\\Qmx2Com", NOTIFICATION_EVENT_NONE));
    const std::vector<RunAtEventEntry> left = again.List();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].program, "\\Windows\\Other");
    EXPECT_EQ(left[0].event, NOTIFICATION_EVENT_DEVICE_CHANGE);
}

TEST(RunAtEventsTest, FireStartsTheProgramsOfThatEventOnly) {
    TempRoot root;
    // The program leaves a line in the root for each start.
    const std::string script = root / "starter.sh";
    WriteHostFile(script, "#!/bin/sh\necho \"started [$*]\" >> \"$QMX2_ROOT/$(basename \"$0\").log\"\n");
    chmod(script.c_str(), 0755);
    std::string error;
    ASSERT_TRUE(InstallProgramLinks(root.path(), {{"Qmx2Com", script}, {"Clock.exe", script}}, &error)) << error;

    RunAtEvents events(root.path());
    ASSERT_TRUE(events.Register("\\Windows\\Qmx2Com", NOTIFICATION_EVENT_DEVICE_CHANGE));
    ASSERT_TRUE(events.Register("\\Windows\\Clock.exe", NOTIFICATION_EVENT_TIME_CHANGE));
    ASSERT_TRUE(events.Register("\\Windows\\Missing.exe", NOTIFICATION_EVENT_DEVICE_CHANGE));
    auto clock = MakeRealClock();
    Processes processes(*clock, root.path());
    EXPECT_EQ(events.Fire(NOTIFICATION_EVENT_DEVICE_CHANGE, processes), 1);

    // The started program runs on its own: wait for its line, boundedly.
    const std::string log = root / "Qmx2Com.log";
    for (int i = 0; i < 1000 && ReadHostFile(log).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadHostFile(log), "started []\n");
    EXPECT_FALSE(std::filesystem::exists(root / "Clock.exe.log"));
}

}  // namespace

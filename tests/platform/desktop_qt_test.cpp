// The desktop backends of the tray and the user notifications, on a session bus and X display
// of the test's own: a tray icon shows through the StatusNotifierItem protocol where a watcher
// is on the bus and its click reaches the owner window, a tray that goes away does not end the
// program, no tray at all means the log; a sound the notification server cannot play goes to a
// player, and without a notification server the notification is a log line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/desktop/desktop_notifications.h"
#include "platform/desktop/desktop_tray.h"
#include "tests/platform/files_temp_root.h"
#include "tests/support/dbus_recorders.h"
#include "tests/support/private_session_bus.h"

using namespace qmx2::platform;
using qmx2::testing::DesktopRecorders;
using qmx2::testing::PrivateDisplay;
using qmx2::testing::PrivateSessionBus;
using qmx2::testing::UsePrivateDesktop;

namespace {

constexpr int kWaitMs = 10000;

// Processes Qt events until done() holds, at most kWaitMs of real time.
template <typename Done>
bool WaitUntil(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < kWaitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class Log {
public:
    TrayLog Sink() {
        return [this](const std::string& line) {
            std::lock_guard lock(mu_);
            lines_.push_back(line);
        };
    }
    bool Has(const std::string& part) const {
        std::lock_guard lock(mu_);
        for (const std::string& l : lines_)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }

private:
    mutable std::mutex mu_;
    std::vector<std::string> lines_;
};

// One bus, one display and one application for the process; the tray watcher must be on the
// bus before Qt first asks whether there is a tray, which it asks once per process.
class Desktop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (app_) return;
        bus_ = new PrivateSessionBus;
        display_ = new PrivateDisplay;
        if (!bus_->ok() || !display_->ok()) return;
        UsePrivateDesktop(*bus_, *display_);
        static int argc = 1;
        static char name[] = "platform_desktop_qt_test";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
        recorders_ = new DesktopRecorders(QString::fromStdString(bus_->address()), {QStringLiteral("body")});
        if (!std::getenv("QMX2_NO_TRAY")) recorders_->StartTrayWatcher();
    }

    static void TearDownTestSuite() {
        delete recorders_;
        delete app_;
        delete display_;
        delete bus_;
        recorders_ = nullptr;
        app_ = nullptr;
        display_ = nullptr;
        bus_ = nullptr;
    }

    void SetUp() override {
        if (!bus_->ok()) GTEST_SKIP() << bus_->error();
        if (!display_->ok()) GTEST_SKIP() << display_->error();
    }

    static inline PrivateSessionBus* bus_ = nullptr;
    static inline PrivateDisplay* display_ = nullptr;
    static inline QApplication* app_ = nullptr;
    static inline DesktopRecorders* recorders_ = nullptr;
};

struct Click {
    HWND owner = 0;
    uint32_t msg = 0;
    WPARAM id = 0;
    LPARAM mouse = 0;
};

TEST_F(Desktop, TrayIconAppearsWhereATrayIsAndItsClickReachesTheOwner) {
    if (std::getenv("QMX2_NO_TRAY")) GTEST_SKIP() << "run without a tray";
    std::vector<Click> clicks;
    Log log;
    auto tray = MakeDesktopTrayIcons([&](HWND o, uint32_t m, WPARAM w, LPARAM l) { clicks.push_back({o, m, w, l}); },
                                     log.Sink());
    ASSERT_TRUE(tray->Add({42, 5000, kIconCardPowered, "", 3025}));
    ASSERT_TRUE(WaitUntil([&] { return !recorders_->TrayItems().isEmpty(); }));
    EXPECT_FALSE(log.Has("no tray"));

    // The tray host activates the item as a left click does.
    const QString item = recorders_->TrayItems().first();
    const qsizetype slash = item.indexOf(QLatin1Char('/'));
    const QString service = slash < 0 ? item : item.left(slash);
    const QString path = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
    QDBusMessage activate = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.kde.StatusNotifierItem"),
                                                           QStringLiteral("Activate"));
    activate << 10 << 10;
    QDBusConnection::connectToBus(QString::fromStdString(bus_->address()), QStringLiteral("host")).send(activate);
    ASSERT_TRUE(WaitUntil([&] { return !clicks.empty(); }));
    EXPECT_EQ(clicks[0].owner, 42u);
    EXPECT_EQ(clicks[0].msg, 3025u);
    EXPECT_EQ(clicks[0].id, 5000u);
    EXPECT_EQ(clicks[0].mouse, static_cast<LPARAM>(WM_LBUTTONDOWN));

    // The tray goes away: changes still work and the program goes on.
    recorders_->StopTrayWatcher();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_TRUE(tray->Modify({42, 5000, kIconCardOff, "", 3025}));
    EXPECT_TRUE(tray->Add({42, 5001, kIconMemoryFull, "", 3025}));
    EXPECT_TRUE(tray->Delete(42, 5001));
    EXPECT_TRUE(tray->Delete(42, 5000));
    EXPECT_TRUE(tray->Icons().empty());
}

// Qt decides once per process whether the session has a tray, so the case without one runs
// this test binary again with no watcher on its bus.
TEST_F(Desktop, NoTrayMeansTheLog) {
    if (!std::getenv("QMX2_NO_TRAY")) {
        QProcess child;
        QStringList env = QProcess::systemEnvironment();
        env << QStringLiteral("QMX2_NO_TRAY=1");
        child.setEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=Desktop.NoTrayMeansTheLog")});
        ASSERT_TRUE(child.waitForFinished(30000));
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
        return;
    }
    Log log;
    auto tray = MakeDesktopTrayIcons({}, log.Sink());
    ASSERT_TRUE(tray->Add({42, 5000, kIconCardPowered, "", 3025}));
    EXPECT_TRUE(log.Has("tray icon 5000 added: card-powered"));
    EXPECT_TRUE(log.Has("no tray in this session"));
    EXPECT_TRUE(tray->Modify({42, 5000, kIconCardOff, "", 3025}));
    EXPECT_TRUE(log.Has("tray icon 5000 changed: card-off"));
}

TEST_F(Desktop, ASoundTheServerCannotPlayGoesToAPlayerAndNoServerMeansTheLog) {
    if (std::getenv("QMX2_NO_TRAY")) GTEST_SKIP();
    qmx2::platform::testing::TempRoot root;
    qmx2::platform::testing::WriteHostFile(root / "Windows/Alarm1.wav", "RIFF");
    const std::string player = root / "player.sh";
    qmx2::platform::testing::WriteHostFile(player, "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/played.txt\"\n");
    chmod(player.c_str(), 0755);
    Log log;
    DesktopNotificationOptions options;
    options.root = root.path();
    options.players = {"qmx2-no-such-player", player};
    options.log = log.Sink();
    auto notifications = MakeDesktopNotifications(options);

    ASSERT_TRUE(recorders_->StartNotificationServer());
    ASSERT_TRUE(notifications->Raise({"\\Windows\\Qmx2PPC.exe", {}, "\\Windows\\Alarm1.wav", "", "text"}));
    ASSERT_EQ(recorders_->Shown().size(), 1u);
    EXPECT_EQ(recorders_->Shown()[0].summary, "Qmx2PPC.exe");  // no title: the program's name
    EXPECT_FALSE(recorders_->Shown()[0].hints.contains(QStringLiteral("sound-file")));
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(root / "played.txt"); }));
    EXPECT_EQ(qmx2::platform::testing::ReadHostFile(root / "played.txt"), root / "Windows/Alarm1.wav\n");

    recorders_->StopNotificationServer();
    ASSERT_TRUE(notifications->Raise({"\\Windows\\Qmx2PPC.exe", {}, "", "Title", "no server"}));
    EXPECT_TRUE(log.Has("notification: Title: no server"));
    EXPECT_EQ(recorders_->Shown().size(), 1u);
}

}  // namespace

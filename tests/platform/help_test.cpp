// The help viewer: every topic the programs ask for exists with its anchor; a topic that does
// not exist opens the contents with a clear line; links and Back work; the peghelp program
// renders a missing topic offscreen without failing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTextBrowser>
#include <QUrl>

#include <cstdlib>
#include <filesystem>

#include "platform/help/help_topic.h"
#include "platform/help/help_window.h"

using namespace qmx2::platform;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "platform_help_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

HelpPlan Plan(std::string_view line) { return PlanHelp(line, &HelpWindow::ReadHelpFile); }

TEST(HelpTopics, EveryTopicTheProgramsAskForIsThere) {
    App();
    const char* topics[] = {
        "qmx2.htc",
        "qmx21.htp#SHORTMESSAGE", "qmx21.htp#WRITEMESSAGE", "qmx21.htp#WRITEOPTION",
        "qmx21.htp#SELECTRECIPIENTS", "qmx21.htp#SMSSETTINGS",
        "qmx22.htp#MAIN",
        "qmx23.htp#GENERAL", "qmx23.htp#MESSAGES", "qmx23.htp#MODEM", "qmx23.htp#SECURITY",
        "qmx23.htp#NETWORK", "qmx23.htp#ChangeAccessCodes", "qmx23.htp#EditSettingGroup",
        "qmx24.htp#MONITOR",
    };
    for (const char* topic : topics) {
        const HelpPlan plan = Plan(topic);
        const std::string_view t(topic);
        EXPECT_EQ(plan.file, t.substr(0, t.find('#'))) << topic;
        EXPECT_EQ(plan.anchor, t.find('#') == std::string_view::npos ? "" : t.substr(t.find('#') + 1)) << topic;
        EXPECT_EQ(plan.notice, "") << topic;
    }
}

TEST(HelpTopics, OddCommandLinesFindTheTopicOrSayWhyNot) {
    App();
    struct Case {
        const char* line;
        const char* file;
        const char* anchor;
        const char* notice;
    } cases[] = {
        {"", "qmx2.htc", "", ""},
        {"  \"\\Windows\\QMX23.HTP#modem\" ", "qmx23.htp", "MODEM", ""},
        {"qmx99.htp#MAIN", "qmx2.htc", "",
         "There is no help topic \"qmx99.htp#MAIN\". These are the topics there are:"},
        {"../../etc/passwd", "qmx2.htc", "",
         "There is no help topic \"../../etc/passwd\". These are the topics there are:"},
        {"qmx21.htp#NOSUCH", "qmx21.htp", "", "This help file has no section \"NOSUCH\"; it is shown from its beginning."},
        {"qmx21.htp#\"><script>", "qmx21.htp", "",
         "This help file has no section \"\"><script>\"; it is shown from its beginning."},
    };
    for (const Case& c : cases) {
        const HelpPlan plan = Plan(c.line);
        EXPECT_EQ(plan.file, c.file) << c.line;
        EXPECT_EQ(plan.anchor, c.anchor) << c.line;
        EXPECT_EQ(plan.notice, c.notice) << c.line;
    }
}

TEST(HelpWindowTest, OpensTopicsFollowsLinksAndGoesBack) {
    App();
    HelpWindow window;
    window.resize(360, 480);
    window.show();
    window.Open("qmx24.htp#MONITOR");
    EXPECT_EQ(window.file(), "qmx24.htp");
    EXPECT_EQ(window.notice(), "");
    EXPECT_TRUE(window.browser()->toPlainText().contains("The monitor"));

    emit window.browser()->anchorClicked(QUrl(QStringLiteral("qmx23.htp#MODEM")));
    EXPECT_EQ(window.file(), "qmx23.htp");
    EXPECT_EQ(window.anchor(), "MODEM");
    emit window.browser()->anchorClicked(QUrl(QStringLiteral("broken.htp")));
    EXPECT_EQ(window.file(), "qmx2.htc");
    EXPECT_EQ(window.notice(), "There is no help topic \"broken.htp\". These are the topics there are:");

    window.Back();
    EXPECT_EQ(window.file(), "qmx23.htp");
    EXPECT_EQ(window.notice(), "");
    window.Back();
    EXPECT_EQ(window.file(), "qmx24.htp");
}

TEST(PeghelpProgram, AMissingTopicRendersTheContentsAndEndsWell) {
    App();
    const std::string build = std::getenv("QMX2_BUILD_DIR");
    const std::string shot = (std::filesystem::temp_directory_path() / "qmx2-peghelp-missing.png").string();
    std::filesystem::remove(shot);
    QProcess peghelp;
    peghelp.start(QString::fromStdString(build + "/bin/peghelp"),
                  {QStringLiteral("--screenshot"), QString::fromStdString(shot), QStringLiteral("nothing.htp#HERE")});
    ASSERT_TRUE(peghelp.waitForFinished(30000));
    EXPECT_EQ(peghelp.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(peghelp.exitCode(), 0);
    EXPECT_TRUE(peghelp.readAllStandardError().contains("There is no help topic \"nothing.htp#HERE\"."));
    EXPECT_GT(std::filesystem::file_size(shot), 1000u);
    std::filesystem::remove(shot);
}

}  // namespace

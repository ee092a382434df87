// The installer's wizard worked offscreen as a person would, on a fresh desktop and handheld;
// the end-to-end case runs the real application manager (ceappmgr) on the build's cabinets.
#include "setup/ui/setup_wizard.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/clock.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "setup/desktop.h"
#include "setup/setup_texts.h"
#include "setup/ui/setup_dialogs.h"
#include "tests/support/program_launcher.h"
#include "tests/platform/files_temp_root.h"

namespace qmx2::setup::ui {
namespace {

using platform::testing::ReadHostFile;
using platform::testing::TempRoot;
using platform::testing::WriteHostFile;

constexpr char kActiveSync[] = "Program Files/Microsoft ActiveSync";

std::string BuildDir() { return std::getenv("QMX2_BUILD_DIR"); }

// Answers the next modal window with `act` once it is up.
void WhenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* w = nullptr;
        (void)QTest::qWaitFor([&] { return (w = QApplication::activeModalWidget()) != nullptr; }, 10000);
        ASSERT_NE(w, nullptr);
        act(w);
    });
}

class SetupWizardTest : public ::testing::Test {
protected:
    SetupWizardTest()
        : clock_(platform::MakeRealClock()),
          installer_(BuildDir() + "/setup"),
          desktop_(desktop_root_.path()),
          registry_(platform::OpenRegistry(desktop_root_.path(), &error_)),
          windows_(platform::OpenWindowSystem(*clock_, desktop_root_.path())),
          processes_(*clock_, desktop_root_.path()),
          ctx_{*clock_, installer_, desktop_, *registry_, *windows_, processes_, {}, {}, {}} {
        // The desktop's application manager: the real one, registered as "ceappmgr --register" does.
        std::filesystem::create_directories(desktop_root_ / kActiveSync);
        std::filesystem::create_symlink(BuildDir() + "/bin/ceappmgr", desktop_root_ / (std::string(kActiveSync) + "/CEAPPMGR.EXE"));
        EXPECT_TRUE(RegisterAppManager(*registry_));
        setenv("QMX2_HANDHELD_ROOT", handheld_.path().c_str(), 1);
        EXPECT_EQ(PrepareSetup(ctx_), StartResult::kReady);
    }
    std::string Dest(const std::string& name) const {
        return desktop_root_ / (std::string(kActiveSync) + "/Orvan/Pellion 2.0/" + name);
    }
    bool NothingCopied() const {
        return std::filesystem::is_empty(Dest("")) && !std::filesystem::exists(handheld_ / "Windows");
    }

    TempRoot desktop_root_, handheld_;
    std::string error_;
    std::unique_ptr<platform::Clock> clock_;
    platform::Files installer_, desktop_;
    std::unique_ptr<platform::Registry> registry_;
    std::unique_ptr<platform::WindowSystem> windows_;
    platform::Processes processes_;
    SetupContext ctx_;
};

TEST_F(SetupWizardTest, WelcomePageAndQuitAskedFirst) {
    SetupWizard wizard(ctx_, 20);
    wizard.show();
    EXPECT_EQ(wizard.windowTitle(), "Welcome to Setup");
    EXPECT_EQ(wizard.findChild<QLabel*>("welcome")->text(),
              "Welcome to Orvan Pellion 2.0 Setup\nThe program will install Orvan Pellion 2.0 Version 1.13 for Windows CE\n");
    EXPECT_TRUE(wizard.findChild<QLabel*>("welcomeMore")->text().endsWith(
        "Click Quit to quit setup and then close any programs you have running. Click Next to continue the setup program."));
    EXPECT_EQ(wizard.next()->text(), "&Next >");
    EXPECT_EQ(wizard.back()->text(), "< &Back");
    EXPECT_EQ(wizard.quit()->text(), "&Quit");
    EXPECT_FALSE(wizard.back()->isEnabled());
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        QString title, text;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            title = box->windowTitle();
            text = box->text();
            QTest::mouseClick(box->button(answer), Qt::LeftButton);
        });
        QTest::mouseClick(wizard.quit(), Qt::LeftButton);
        EXPECT_EQ(title, "Exit Setup");
        EXPECT_EQ(text, "Setup is not complete. If you quit now, the program will not be installed.\n\nYou may run "
                        "Setup again at another time to complete the installation.\n\nExit Setup now?");
        EXPECT_EQ(wizard.isVisible(), answer == QMessageBox::No);
    }
    EXPECT_TRUE(NothingCopied());
}

TEST_F(SetupWizardTest, DecliningTheLicenceCopiesNothing) {
    SetupWizard wizard(ctx_, 20);
    wizard.show();
    QString title, ask, license;
    WhenModal([&](QWidget* w) {
        title = w->windowTitle();
        ask = w->findChild<QLabel*>("licenseAsk")->text();
        license = w->findChild<QPlainTextEdit*>("licenseText")->toPlainText();
        QTest::mouseClick(w->findChild<QPushButton*>("decline"), Qt::LeftButton);
    });
    QTest::mouseClick(wizard.next(), Qt::LeftButton);
    EXPECT_EQ(title, "Software License Agreement");
    EXPECT_EQ(ask, "Do you accept all the terms of the preceding license agreement? If so, click on the \n\"I Accept\" "
                   "button. If you click \"Decline\" button, installation will cancel and Setup will close.");
    EXPECT_EQ(license.toStdString(), ReadHostFile(BuildDir() + "/setup/license.txt"));
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(wizard.result(), 1);
    EXPECT_TRUE(NothingCopied());
}

TEST_F(SetupWizardTest, ProgressBarIs300By18WithItsPercentage) {
    ProgressDialog progress({installer_, desktop_, ctx_.destination, ctx_.list}, nullptr);
    EXPECT_EQ(progress.bar()->size(), QSize(300, 18));
    EXPECT_EQ(ProgressText(7), "7%");
    EXPECT_EQ(ProgressText(100), "100%");
}

TEST_F(SetupWizardTest, EndToEndTheApplicationManagerInstallsOnTheHandheldWhileSetupWaits) {
    SetupWizard wizard(ctx_, 20);
    wizard.show();
    WhenModal([](QWidget* w) { QTest::mouseClick(w->findChild<QPushButton*>("accept"), Qt::LeftButton); });
    QTest::mouseClick(wizard.next(), Qt::LeftButton);
    EXPECT_EQ(wizard.quit()->text(), "Done");
    EXPECT_FALSE(wizard.next()->isVisible());
    for (const char* cab : {"qmx2hpc.sh3.CAB", "qmx2ppc.2577.CAB"})
        EXPECT_EQ(ReadHostFile(Dest(cab)), ReadHostFile(BuildDir() + "/setup/" + cab));
    EXPECT_EQ(ReadHostFile(Dest("qmx2.ini")), std::string(kQmx2Ini));

    // The application manager's window keeps the installer waiting until it is closed.
    platform::HWND add_remove = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (add_remove = windows_->FindWindow(u"", u"Add/Remove Programs")) != 0; }, 20000));
    QTest::qWait(100);
    EXPECT_FALSE(wizard.completed());
    EXPECT_TRUE(std::filesystem::exists(Dest("setup.log")));
    windows_->PostMessage(add_remove, platform::WM_CLOSE, 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return wizard.completed(); }, 20000));
    EXPECT_EQ(wizard.windowTitle(), "Setup Completed");
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(wizard.findChild<QLabel*>("completed")->text(),
              "Setup has finished installing Orvan Pellion 2.0 Version 1.2 for Windows CE on your computer. Click "
              "the check box if you want to view readme file.\n\n\n\nClick Done to exit Setup.");
    EXPECT_EQ(wizard.readme()->text(), "View readme now.");
    EXPECT_FALSE(std::filesystem::exists(Dest("setup.log")));

    // The handheld now runs the installed copies from "\Windows", not the build's files.
    platform::Processes handheld(*clock_, handheld_.path());
    for (const char16_t* program : {u"Qmx2Com", u"Qmx2PPC.exe"}) {
        std::string host;
        ASSERT_TRUE(handheld.FindProgram(program, &host));
        EXPECT_EQ(std::filesystem::path(host).parent_path(), std::filesystem::path(handheld_ / "Windows"));
        EXPECT_FALSE(std::filesystem::is_symlink(host));
    }
    EXPECT_EQ(ReadHostFile(handheld_ / "Windows/Qmx2Com"), ReadHostFile(BuildDir() + "/cabinet-files/Qmx2Com"));
    QTest::mouseClick(wizard.quit(), Qt::LeftButton);
    EXPECT_EQ(wizard.result(), 0);
}

TEST_F(SetupWizardTest, ASecondStartOnlyBringsTheFirstForward) {
    setenv("QMX2_DESKTOP_ROOT", desktop_root_.path().c_str(), 1);
    setenv("QMX2_ROOT", handheld_.path().c_str(), 1);
    const std::string program = BuildDir() + "/setup/setup";
    qmx2::testing::Program first({program});
    platform::HWND window = 0;
    for (int i = 0; i < 200 && !(window = windows_->FindWindow(u"", u"Setup")); ++i) clock_->SleepMs(50);
    ASSERT_NE(window, 0u) << first.ErrorText();
    qmx2::testing::Program second({program});
    EXPECT_EQ(second.WaitWithin(10000), 0) << second.ErrorText();
    // The first goes on with its own window; nothing was copied by either.
    EXPECT_FALSE(first.WaitWithin(0).has_value());
    EXPECT_EQ(windows_->FindWindow(u"", u"Setup"), window);
    EXPECT_TRUE(NothingCopied());
}

}  // namespace
}  // namespace qmx2::setup::ui

// The application manager's windows, worked offscreen as a person would: each window is a desktop
// window under its title while shown, and closes with its button.
#include "setup/ui/app_manager_window.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/clock.h"
#include "setup/setup_texts.h"
#include "tests/platform/files_temp_root.h"

namespace qmx2::setup::ui {
namespace {

using platform::testing::ReadHostFile;
using platform::testing::TempRoot;
using platform::testing::WriteHostFile;

struct Seen {
    QString title, text;
    bool desktop_window = false;
};

class AppManagerUiTest : public ::testing::Test {
protected:
    AppManagerUiTest() : clock_(platform::MakeRealClock()), windows_(platform::MakeLocalWindowSystem(*clock_)) {
        WriteHostFile(desktop_ / "Orvan/Pellion 2.0/qmx2.ini", std::string(kQmx2Ini));
        const std::string cab = std::string(std::getenv("QMX2_BUILD_DIR")) + "/setup/qmx2ppc.2577.CAB";
        std::filesystem::copy_file(cab, desktop_ / "Orvan/Pellion 2.0/qmx2ppc.2577.CAB");
    }
    // Runs the application manager; answers its one window with its default button.
    Seen Run(const std::string& handheld) {
        Seen seen;
        QTimer::singleShot(0, [&] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_NE(w, nullptr);
            seen.title = w->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                seen.text = box->text();
                seen.desktop_window = windows_->FindWindow(u"", box->windowTitle().toStdU16String()) != 0;
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            } else {
                seen.text = w->findChild<QLabel*>("result")->text();
                seen.desktop_window = windows_->FindWindow(u"", u"Add/Remove Programs") != 0;
                QTest::mouseClick(w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
            }
        });
        RunAppManager({desktop_.path(), handheld,
                       "\\Program Files\\CEAPPMGR.EXE \"\\Orvan\\Pellion 2.0\\qmx2.ini\"", windows_.get()});
        EXPECT_EQ(windows_->FindWindow(u"", seen.title.toStdU16String()), 0u) << "window left behind";
        return seen;
    }

    TempRoot desktop_, handheld_;
    std::unique_ptr<platform::Clock> clock_;
    std::unique_ptr<platform::WindowSystem> windows_;
};

TEST_F(AppManagerUiTest, NoHandheldShowsDeviceNotConnected) {
    const Seen seen = Run(handheld_ / "not-there");
    EXPECT_EQ(seen.title, "Device Not Connected");
    EXPECT_EQ(seen.text, kNotConnectedText);
    EXPECT_TRUE(seen.desktop_window);
}

TEST_F(AppManagerUiTest, TruncatedCabinetShowsInvalidSetupFilesAndInstallsNothing) {
    const std::string cab = desktop_ / "Orvan/Pellion 2.0/qmx2ppc.2577.CAB";
    const std::string whole = ReadHostFile(cab);
    WriteHostFile(cab, whole.substr(0, whole.size() / 2));
    const Seen seen = Run(handheld_.path());
    EXPECT_EQ(seen.title, "Invalid Windows CE Setup Files");
    EXPECT_TRUE(seen.text.startsWith(kInvalidFilesText));
    EXPECT_TRUE(seen.desktop_window);
    EXPECT_FALSE(std::filesystem::exists(handheld_ / "Windows"));
}

TEST_F(AppManagerUiTest, InstallsIntoTheHandheldUnderAddRemovePrograms) {
    const Seen seen = Run(handheld_.path());
    EXPECT_EQ(seen.title, "Add/Remove Programs");
    EXPECT_TRUE(seen.text.startsWith("Orvan Pellion 2.0 Version 1.13 has been installed on your device (qmx2ppc.2577.CAB"));
    EXPECT_TRUE(seen.desktop_window);
    EXPECT_EQ(ReadHostFile(handheld_ / "Windows/Qmx2Com"),
              ReadHostFile(std::string(std::getenv("QMX2_BUILD_DIR")) + "/cabinet-files/Qmx2Com"));
}

}  // namespace
}  // namespace qmx2::setup::ui

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

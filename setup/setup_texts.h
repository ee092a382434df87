// The installer's own texts and the files it writes.
#pragma once

#include <string_view>

namespace qmx2::setup {

inline constexpr std::string_view kCaption = "Setup";
inline constexpr std::string_view kInitFailed =
    "Setup encounters problem when initializing.\n\nSetup will exit.\n";
inline constexpr std::string_view kNoAppManager =
    "Cannot find Microsoft ActiveSync, installation is NOT completed! Please try again later.\n";
// %s: the destination name.
inline constexpr std::string_view kCannotCopy =
    "Cannot copy the file \"%s\". Please run the setup program again.";
// %d: the result of the application manager's start.
inline constexpr std::string_view kNotCompleted =
    "Installation is NOT completed! Please check ActiveSync. Error %d";
inline constexpr std::string_view kCopying = "Copying files to your computer...";
inline constexpr std::string_view kLicenseNotFound = "license.txt not found.";
inline constexpr size_t kMaxLicenseBytes = 13312;

// %s: the product title from "setup.lst".
inline constexpr std::string_view kWelcomeText =
    "Welcome to %s Setup\nThe program will install Orvan Pellion 2.0 Version 1.13 for Windows CE\n";
inline constexpr std::string_view kWelcomeMore =
    "This software was developed by the QMX2 team for the Orvan Pellion 2.0 GSM card.\n\n"
    "Click Quit to quit setup and then close any programs you have running. Click Next to "
    "continue the setup program.";
inline constexpr std::string_view kWelcomeCaption = "Welcome to Setup";
inline constexpr std::string_view kCompletedCaption = "Setup Completed";
inline constexpr std::string_view kCompletedText =
    "Setup has finished installing Orvan Pellion 2.0 Version 1.2 for Windows CE on your computer. "
    "Click the check box if you want to view readme file.\n\n\n\nClick Done to exit Setup.";
inline constexpr std::string_view kViewReadme = "View readme now.";
inline constexpr std::string_view kWebSite = "https://qmx2.example.org/";
inline constexpr std::string_view kQuitCaption = "Exit Setup";
inline constexpr std::string_view kQuitQuestion =
    "Setup is not complete. If you quit now, the program will not be installed.\n\nYou may run "
    "Setup again at another time to complete the installation.\n\nExit Setup now?";
inline constexpr std::string_view kLicenseCaption = "Software License Agreement";
inline constexpr std::string_view kLicenseRead =
    "Please read the following license agreement. Use the scroll bar to view the rest of this agreement.";
inline constexpr std::string_view kLicenseAsk =
    "Do you accept all the terms of the preceding license agreement? If so, click on the \n\"I "
    "Accept\" button. If you click \"Decline\" button, installation will cancel and Setup will close.";

inline constexpr std::string_view kIniName = "qmx2.ini";
inline constexpr std::string_view kLogName = "setup.log";
inline constexpr std::string_view kListName = "setup.lst";
inline constexpr std::string_view kQmx2Ini =
    "[CEAppManager]\n"
    "Version = 1.0\n"
    "Component = CEDriver\n"
    "\n"
    "[CEDriver]\n"
    "Description = Orvan Pellion 2.0 Version 1.13\n"
    "Uninstall = Orvan Pellion 2.0 Version 1.13\n"
    "CabFiles = qmx2hpc.sh3.CAB,qmx2hpc.4000.CAB,qmx2hpc.2577.CAB,qmx2ppc.sh3.CAB,"
    "qmx2ppc.4000.CAB,qmx2ppc.2577.CAB";

// Titles of the application manager's windows; while one is open the installer waits.
inline constexpr std::u16string_view kInvalidFilesTitle = u"Invalid Windows CE Setup Files";
inline constexpr std::u16string_view kNotConnectedTitle = u"Device Not Connected";
inline constexpr std::u16string_view kAddRemoveTitle = u"Add/Remove Programs";
inline constexpr std::u16string_view kWatchedTitles[] = {kInvalidFilesTitle, kNotConnectedTitle, kAddRemoveTitle};
inline constexpr unsigned kWatchIntervalMs = 2000;

}  // namespace qmx2::setup

// The identifiers of the manager's windows: menus, commands, accelerator tables, focus views,
// controls, dialogs, window sizes and help topics. The window shells and the tests both use
// these, so a command a test sends is the one the menu sends.
#pragma once

#include <cstdint>

namespace qmx2::manager {

// Menu bars.
inline constexpr int kMenuMonitor = 107;
inline constexpr int kMenuWrite = 109;
inline constexpr int kMenuMessages = 113;
inline constexpr int kMenuContacts = 114;

// Commands of menu 107 (monitor) and accelerator table 169.
inline constexpr uint32_t kCmdPowerDown = 40149;
inline constexpr uint32_t kCmdAbout = 40142;
inline constexpr uint32_t kCmdExit = 40136;
inline constexpr uint32_t kCmdWriteMessages = 40137;  // also the write-window opening message
inline constexpr uint32_t kCmdShortMessages = 40138;
inline constexpr uint32_t kCmdContactDirectory = 40141;
inline constexpr uint32_t kCmdSettings = 40050;
inline constexpr uint32_t kCmdCtrlO = 40035;  // in table 169 without a handler
inline constexpr uint32_t kCmdHelpKey = 40015;  // F1: no action

// Commands of menu 109 (write window).
inline constexpr uint32_t kCmdSend = 40024;
inline constexpr uint32_t kCmdSaveDraft = 40147;
inline constexpr uint32_t kCmdCloseWrite = 40054;
inline constexpr uint32_t kCmdUndo = 40049;
inline constexpr uint32_t kCmdCut = 40045;
inline constexpr uint32_t kCmdCopy = 40057;  // also "Copy" of menu 113
inline constexpr uint32_t kCmdPasteText = 40047;
inline constexpr uint32_t kCmdDelete = 40059;  // also "Delete" of menu 113
inline constexpr uint32_t kCmdSelectAll = 40031;
inline constexpr uint32_t kCmdSelectRecipients = 40032;
inline constexpr uint32_t kCmdRecentRecipients = 40033;
inline constexpr uint32_t kCmdToolSettings = 40065;  // "Settings..." of menus 109 and 113
inline constexpr uint32_t kCmdOptions = 40064;

// Commands of menu 113 (message window).
inline constexpr uint32_t kCmdOpen = 40052;
inline constexpr uint32_t kCmdCloseMessages = 40077;
inline constexpr uint32_t kCmdMove = 40055;
inline constexpr uint32_t kCmdPaste = 40145;
inline constexpr uint32_t kCmdFolder = 40066;
inline constexpr uint32_t kCmdWriteMessage = 40060;
inline constexpr uint32_t kCmdSendStored = 40148;
inline constexpr uint32_t kCmdReply = 40061;
inline constexpr uint32_t kCmdForward = 40062;
inline constexpr uint32_t kCmdSmsSettings = 40143;

// Commands of menu 114 (contact window); "Delete" is also in its table 172.
inline constexpr uint32_t kCmdDeleteContact = 40133;
inline constexpr uint32_t kCmdNewContact = 40126;
inline constexpr uint32_t kCmdEditContact = 40127;
inline constexpr uint32_t kCmdCopyContact = 40128;
inline constexpr uint32_t kCmdMoveContact = 40129;
inline constexpr uint32_t kCmdSendToContact = 40130;
inline constexpr uint32_t kCmdCloseContacts = 40131;

// Accelerator tables and the focus views that choose them.
inline constexpr int kAccelMonitor = 169;
inline constexpr int kAccelWrite = 171;
inline constexpr int kAccelContacts = 172;
inline constexpr int kAccelMessages = 197;
inline constexpr int kFocusMonitor = 1;
inline constexpr int kFocusWrite = 2;
inline constexpr int kFocusMessages = 3;
inline constexpr int kFocusContacts = 6;
// The table the message loop translates with for a focus view (169 for any other value).
constexpr int AcceleratorTableFor(int focus_view) {
    switch (focus_view) {
    case kFocusWrite: return kAccelWrite;
    case kFocusMessages: return kAccelMessages;
    case kFocusContacts: return kAccelContacts;
    default: return kAccelMonitor;
    }
}

// Dialogs and string resources.
inline constexpr int kDlgAbout = 103;
inline constexpr int kDlgSelectRecipients = 131;
inline constexpr int kDlgRecentRecipients = 132;
inline constexpr int kDlgSelectNumber = 133;
inline constexpr int kDlgOptions = 134;
inline constexpr int kDlgGeneralPage = 162;
inline constexpr int kDlgSecurityPage = 166;
inline constexpr int kDlgModemPage = 167;
inline constexpr int kDlgMessagesPage = 188;
inline constexpr int kDlgNetworkPage = 191;
inline constexpr int kDlgMessage = 196;
inline constexpr int kIconTool = 208;
inline constexpr int kIconManagerTray = 112;
inline constexpr int kBitmapWriteBackground = 113;

// Controls.
inline constexpr int kMonitorStatusBar = 10001;
inline constexpr int kMessageStatusBar = 10003;
inline constexpr int kWriteText = 3001;
inline constexpr int kWriteNumber = 3003;
inline constexpr int kWriteRecipients = 4001;
inline constexpr int kFolderTree = 7001;
inline constexpr int kMessageList = 5001;
inline constexpr int kFolderDropDown = 2001;

// The manager's own notification icon.
inline constexpr uint32_t kTrayIconId = 5000;
inline constexpr uint32_t kTrayCallback = 3025;

// Window sizes (logical pixels); the monitor's are in manager/monitor/monitor.h.
inline constexpr int kScreenWidth = 240;
inline constexpr int kToolWindowHeight = 294;
inline constexpr int kWriteBackgroundHeight = 318;
inline constexpr int kMessageTimerMs = 1000;

// Limits of the write window.
inline constexpr int kWriteTextLimit = 320;
inline constexpr int kWriteCounterRed = 160;  // the counter turns red above this
inline constexpr int kRecipientNumberLimit = 20;

// Help topics.
inline constexpr char kHelpMonitor[] = "qmx24.htp#MONITOR";
inline constexpr char kHelpWrite[] = "qmx21.htp#WRITEMESSAGE";
inline constexpr char kHelpMessages[] = "qmx21.htp#SHORTMESSAGE";
inline constexpr char kHelpContacts[] = "qmx22.htp#MAIN";
inline constexpr char kHelpAbout[] = "qmx2.htc";
inline constexpr char kHelpGeneral[] = "qmx23.htp#GENERAL";
inline constexpr char kHelpMessagesPage[] = "qmx23.htp#MESSAGES";
inline constexpr char kHelpModemPage[] = "qmx23.htp#MODEM";
inline constexpr char kHelpSecurityPage[] = "qmx23.htp#SECURITY";
inline constexpr char kHelpNetworkPage[] = "qmx23.htp#NETWORK";
inline constexpr char kHelpChangeCodes[] = "qmx23.htp#ChangeAccessCodes";
inline constexpr char kHelpEditGroup[] = "qmx23.htp#EditSettingGroup";
inline constexpr char kHelpWriteOption[] = "qmx21.htp#WRITEOPTION";
inline constexpr char kHelpSelectRecipients[] = "qmx21.htp#SELECTRECIPIENTS";
inline constexpr char kHelpSmsSettings[] = "qmx21.htp#SMSSETTINGS";

}  // namespace qmx2::manager

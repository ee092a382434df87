// Message boxes of the handheld on the desktop: caption, owner window, buttons and icon, brought
// to the foreground when asked.
#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace qmx2::platform::qt {

enum class Buttons { kOk, kRetryCancel, kYesNo, kOkCancel };
enum class Icon { kNone, kInformation, kWarning, kError, kQuestion };
enum class Answer { kOk, kCancel, kRetry, kYes, kNo };

struct MessageBoxRequest {
    QString text;
    QString caption;
    QWidget* owner = nullptr;  // null: no owner, centred on the screen
    Buttons buttons = Buttons::kOk;
    Icon icon = Icon::kNone;
    bool foreground = false;
};

// The box as ShowMessageBox runs it, not shown yet.
std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBoxRequest& request);

// Runs the box modally. Closing it without a button counts as Cancel (or OK for a plain box).
Answer ShowMessageBox(const MessageBoxRequest& request);

// The object name every message box carries, for tests and screenshots.
inline constexpr const char* kMessageBoxName = "qmx2MessageBox";

}  // namespace qmx2::platform::qt

// Message boxes on QMessageBox.
#include "platform/qt/message_box.h"

#include <QMessageBox>

namespace qmx2::platform::qt {

std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBoxRequest& r) {
    auto made = std::make_unique<QMessageBox>(r.owner);
    QMessageBox& box = *made;
    box.setObjectName(kMessageBoxName);
    box.setWindowTitle(r.caption);
    box.setText(r.text);
    switch (r.icon) {
        case Icon::kInformation: box.setIcon(QMessageBox::Information); break;
        case Icon::kWarning: box.setIcon(QMessageBox::Warning); break;
        case Icon::kError: box.setIcon(QMessageBox::Critical); break;
        case Icon::kQuestion: box.setIcon(QMessageBox::Question); break;
        case Icon::kNone: break;
    }
    switch (r.buttons) {
        case Buttons::kOk: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::kRetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
        case Buttons::kYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::kOkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    }
    box.setEscapeButton(r.buttons == Buttons::kOk ? QMessageBox::Ok
                        : r.buttons == Buttons::kYesNo ? QMessageBox::No
                                                       : QMessageBox::Cancel);
    if (r.foreground) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setWindowModality(Qt::ApplicationModal);
    return made;
}

Answer ShowMessageBox(const MessageBoxRequest& r) {
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(r);
    switch (box->exec()) {
        case QMessageBox::Ok: return Answer::kOk;
        case QMessageBox::Retry: return Answer::kRetry;
        case QMessageBox::Yes: return Answer::kYes;
        case QMessageBox::No: return Answer::kNo;
        default: return r.buttons == Buttons::kOk ? Answer::kOk : Answer::kCancel;
    }
}

}  // namespace qmx2::platform::qt

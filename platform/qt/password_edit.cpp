// Password edits.
#include "platform/qt/password_edit.h"

#include <QLineEdit>

namespace qmx2::platform::qt {

QLineEdit* MakePasswordEdit(QWidget* parent, int max_length) {
    auto* edit = new QLineEdit(parent);
    edit->setEchoMode(QLineEdit::Password);
    // A QLineEdit always has a limit; "no limit" is its own default of 32767.
    if (max_length > 0) edit->setMaxLength(max_length);
    edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    return edit;
}

}  // namespace qmx2::platform::qt

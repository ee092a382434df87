// An edit box that masks what is typed, with the handheld's length limit (0: no limit).
#pragma once

class QLineEdit;
class QWidget;

namespace qmx2::platform::qt {

QLineEdit* MakePasswordEdit(QWidget* parent, int max_length);

}  // namespace qmx2::platform::qt

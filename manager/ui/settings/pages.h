// The pages of the "Settings" sheet, one factory each. A page sets its controls from the stored
// values when it is made and stores what its controls hold when it is destroyed, whichever
// button closed the sheet (the sheet deletes its pages when it closes).
#pragma once

#include "manager/ui/settings/settings_parts.h"

class QWidget;

namespace qmx2::manager::ui {

QWidget* MakeGeneralPage(SettingsParts& parts, QWidget* parent);   // dialog 162
QWidget* MakeMessagesPage(SettingsParts& parts, QWidget* parent);  // dialog 188
QWidget* MakeModemPage(SettingsParts& parts, QWidget* parent);     // dialog 167
QWidget* MakeSecurityPage(SettingsParts& parts, QWidget* parent);  // dialog 166
QWidget* MakeNetworkPage(SettingsParts& parts, QWidget* parent);   // dialog 191

}  // namespace qmx2::manager::ui

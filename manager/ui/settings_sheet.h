// The "Settings" property sheet: the pages "General" (162), "Messages" (188), "Modem" (167),
// "Security" (166) and "Network" (191), opening on "General", with OK and Cancel. Closing the
// sheet, by any button, deletes the pages, and each page stores its values as it goes. The help
// request (Shift+F1 or the help button) asks for the page in view.
#pragma once

#include "manager/ui/settings/settings_parts.h"

class QDialog;
class QWidget;

namespace qmx2::manager::ui {

// Modal; returns once the sheet is closed and its pages have stored their values.
void ShowSettingsSheet(QWidget* parent, SettingsParts parts);
// The sheet as ShowSettingsSheet runs it, not shown yet, for tests and screenshots; deleting it
// stores the pages.
QDialog* MakeSettingsSheet(QWidget* parent, SettingsParts parts);
// Ends every open sheet with its pages stored now, before the manager saves its files or closes:
// a sheet that only ends once the caller's message is done would store after the save.
void StoreOpenSettingsSheets();

}  // namespace qmx2::manager::ui

// Small pieces shared by the manager's windows, settings pages and dialogs: edit boxes that hold
// only what the handheld's 8-bit records can keep, and the text conversions to and from those
// records.
#pragma once

#include <QString>

#include <string>
#include <string_view>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QVBoxLayout;
class QWidget;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

QString Latin1(std::string_view text);
std::string ToLatin1(const QString& text);
std::u16string ToUtf16(const QString& text);

// An edit box of at most `max_length` characters that refuses control characters (CR, LF,
// Ctrl-Z, ...) and characters beyond ISO 8859-1, typed or pasted: the records keep 8-bit text
// and nothing in a field may end a line of the card's command.
QLineEdit* MakeFieldEdit(QWidget* parent, int max_length, const char* name);
// The same rule for a password edit of platform/qt.
QLineEdit* MakeCodeEdit(QWidget* parent, int max_length, const char* name);
QComboBox* MakeDropDown(QWidget* parent, const char* name);

// `label` above `field` in `layout`, the label being the field's buddy (its mnemonic focuses it).
void Labelled(QVBoxLayout* layout, const char* label, QWidget* field);

// OK and Cancel, and Help when `topic` is given (also on Shift+F1 anywhere in `dialog`).
QDialogButtonBox* MakeDialogButtons(QWidget* dialog, platform::HelpViewer* help, const char* topic);

}  // namespace qmx2::manager::ui

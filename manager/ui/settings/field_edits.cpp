#include "manager/ui/settings/field_edits.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QValidator>
#include <QVBoxLayout>

#include "platform/help_viewer.h"
#include "platform/qt/password_edit.h"

namespace qmx2::manager::ui {
namespace {

class RecordTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar c : input) {
            const char16_t u = c.unicode();
            if (u < 0x20 || u == 0x7F || u > 0xFF) return Invalid;
        }
        return Acceptable;
    }
};

// Shift+F1 in `widget` shows `topic`, as the help request of a window does.
void AddHelpKey(QWidget* widget, platform::HelpViewer& help, const char* topic) {
    auto* key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), widget);
    key->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(key, &QShortcut::activated, widget, [&help, topic] { help.Show(topic); });
}

}  // namespace

QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

std::string ToLatin1(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::u16string ToUtf16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

QLineEdit* MakeFieldEdit(QWidget* parent, int max_length, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(max_length);
    edit->setValidator(new RecordTextValidator(edit));
    return edit;
}

QLineEdit* MakeCodeEdit(QWidget* parent, int max_length, const char* name) {
    QLineEdit* edit = platform::qt::MakePasswordEdit(parent, max_length);
    edit->setObjectName(name);
    edit->setValidator(new RecordTextValidator(edit));
    return edit;
}

QComboBox* MakeDropDown(QWidget* parent, const char* name) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    return list;
}

void Labelled(QVBoxLayout* layout, const char* label, QWidget* field) {
    auto* l = new QLabel(label, field->parentWidget());
    l->setBuddy(field);
    layout->addWidget(l);
    layout->addWidget(field);
}

QDialogButtonBox* MakeDialogButtons(QWidget* dialog, platform::HelpViewer* help, const char* topic) {
    QDialogButtonBox::StandardButtons which = QDialogButtonBox::Ok | QDialogButtonBox::Cancel;
    if (help && topic) which |= QDialogButtonBox::Help;
    auto* buttons = new QDialogButtonBox(which, dialog);
    buttons->setObjectName("buttons");
    if (help && topic) {
        QObject::connect(buttons, &QDialogButtonBox::helpRequested, dialog, [help, topic] { help->Show(topic); });
        AddHelpKey(dialog, *help, topic);
    }
    return buttons;
}

}  // namespace qmx2::manager::ui

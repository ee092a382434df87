#include "manager/ui/contact_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "manager/core/command_ids.h"
#include "manager/phonebook/contact_ops.h"
#include "platform/qt/placement.h"

namespace qmx2::manager::ui {
namespace {

QLineEdit* Edit(const char* name, const std::string& text, int width, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(width);
    edit->setText(FromSingleByte(text));
    return edit;
}

void AddButtons(QDialog* dialog, QBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

// As wide as the handheld's screen, as high as the contents need.
void Fit(QDialog* dialog) {
    dialog->setFixedWidth(kScreenWidth);
    dialog->adjustSize();
}

bool Run(QDialog& dialog, QWidget* over) {
    platform::qt::CentreDialog(&dialog, over);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

QString FromSingleByte(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string ToSingleByte(const QString& text) {
    std::string out;
    out.reserve(size_t(text.size()));
    for (QChar c : text) out.push_back(char(c.unicode() & 0xFF));
    return out;
}

EntryDialog::EntryDialog(bool editing, const ContactFields& fields, int name_width, int number_width,
                         QWidget* parent)
    : QDialog(parent) {
    setObjectName("entryDialog");
    setWindowTitle(editing ? "Edit Entry" : "New Entry");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    name_ = Edit("name", fields.name, name_width, this);
    number_ = Edit("number", fields.number, number_width, this);
    form->addRow("Name", name_);
    form->addRow("Number", number_);
    layout->addLayout(form);
    AddButtons(this, layout);
    Fit(this);
}

ContactFields EntryDialog::Fields() const {
    return {ToSingleByte(name_->text()).substr(0, kDialogNameChars),
            ToSingleByte(number_->text()).substr(0, kDialogNumberChars)};
}

BookDialog::BookDialog(bool move, BookId current, QWidget* parent) : QDialog(parent), current_(current) {
    setObjectName("bookDialog");
    setWindowTitle(move ? "Move to..." : "Copy to...");
    auto* layout = new QVBoxLayout(this);
    books_ = new QListWidget(this);
    books_->setObjectName("books");
    for (BookId id : {BookId::kSim, BookId::kCard, BookId::kPda}) {
        const std::string_view name = BookName(id);
        books_->addItem(QString::fromLatin1(name.data(), qsizetype(name.size())));
    }
    // Three rows, no scrolling.
    books_->setFixedHeight(books_->sizeHintForRow(0) * 3 + 2 * books_->frameWidth() + 4);
    connect(books_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(books_);
    AddButtons(this, layout);
    Fit(this);
}

BookId BookDialog::Chosen() const {
    const QListWidgetItem* item = books_->currentItem();
    BookId book = current_;
    if (item && item->isSelected()) BookFromName(item->text().toStdString(), &book);
    return book;
}

PasteDialog::PasteDialog(const ContactFields& full, const ContactFields& cut, int name_width, int number_width,
                         QWidget* parent)
    : QDialog(parent) {
    setObjectName("pasteDialog");
    setWindowTitle("Paste contact");
    auto* layout = new QVBoxLayout(this);
    auto* notice = new QLabel(kPasteNotice, this);
    notice->setObjectName("notice");
    notice->setWordWrap(true);
    layout->addWidget(notice);
    auto* form = new QFormLayout;
    const auto shown = [this](const std::string& text, const char* name) {
        auto* label = new QLabel(FromSingleByte(text), this);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    form->addRow("Name:", shown(full.name, "fullName"));
    form->addRow("Number:", shown(full.number, "fullNumber"));
    name_ = Edit("newName", cut.name, name_width, this);
    number_ = Edit("newNumber", cut.number, number_width, this);
    form->addRow("New name:", name_);
    form->addRow("New number:", number_);
    layout->addLayout(form);
    AddButtons(this, layout);
    Fit(this);
}

ContactFields PasteDialog::Fields() const {
    return {ToSingleByte(name_->text()).substr(0, kPasteChars), ToSingleByte(number_->text()).substr(0, kPasteChars)};
}

bool RunEntryDialog(QWidget* over, bool editing, ContactFields& fields, int name_width, int number_width) {
    EntryDialog dialog(editing, fields, name_width, number_width);
    if (!Run(dialog, over)) return false;
    fields = dialog.Fields();
    return true;
}

std::optional<BookId> RunBookDialog(QWidget* over, bool move, BookId current) {
    BookDialog dialog(move, current);
    if (!Run(dialog, over)) return std::nullopt;
    return dialog.Chosen();
}

bool RunPasteDialog(QWidget* over, const ContactFields& full, ContactFields& fields, int name_width,
                    int number_width) {
    PasteDialog dialog(full, fields, name_width, number_width);
    if (!Run(dialog, over)) return false;
    fields = dialog.Fields();
    return true;
}

}  // namespace qmx2::manager::ui

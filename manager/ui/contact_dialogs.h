// The contact window's dialogs: "New Entry"/"Edit Entry", "Copy to..."/"Move to..." and "Paste
// contact". Each edits single-byte text: what is typed keeps the low byte of every character,
// as the card's text does.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "manager/core/manager_ui.h"

class QLineEdit;
class QListWidget;

namespace qmx2::manager::ui {

// Single-byte text to and from the widgets.
QString FromSingleByte(const std::string& text);
std::string ToSingleByte(const QString& text);

// Edit boxes "Name" and "Number", limited to the book's widths.
class EntryDialog : public QDialog {
public:
    EntryDialog(bool editing, const ContactFields& fields, int name_width, int number_width,
                QWidget* parent = nullptr);
    ContactFields Fields() const;
    QLineEdit* name() const { return name_; }
    QLineEdit* number() const { return number_; }

private:
    QLineEdit* name_;
    QLineEdit* number_;
};

// The list "SIM", "Card", "PDA"; OK without a choice keeps `current`.
class BookDialog : public QDialog {
public:
    BookDialog(bool move, BookId current, QWidget* parent = nullptr);
    BookId Chosen() const;
    QListWidget* books() const { return books_; }

private:
    BookId current_;
    QListWidget* books_;
};

// The truncation notice, the entry in full, and "New name:" / "New number:" limited to the
// target's widths, pre-filled with the entry cut to them.
class PasteDialog : public QDialog {
public:
    PasteDialog(const ContactFields& full, const ContactFields& cut, int name_width, int number_width,
                QWidget* parent = nullptr);
    ContactFields Fields() const;  // at most 99 characters each
    QLineEdit* name() const { return name_; }
    QLineEdit* number() const { return number_; }

private:
    QLineEdit* name_;
    QLineEdit* number_;
};

// Modal, centred over `over` (the screen when null); the answers ManagerUi expects.
bool RunEntryDialog(QWidget* over, bool editing, ContactFields& fields, int name_width, int number_width);
std::optional<BookId> RunBookDialog(QWidget* over, bool move, BookId current);
bool RunPasteDialog(QWidget* over, const ContactFields& full, ContactFields& fields, int name_width,
                    int number_width);

}  // namespace qmx2::manager::ui

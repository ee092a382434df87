// The commander's three access-code dialogs: the single code, the PUK with a new PIN, and the
// change of a code. Each is a modal dialog centred over its parent; every edit box masks what is
// typed. Object names ("code", "puk", "newPin", ...) let tests and screenshots find the parts.
#pragma once

#include <QDialog>

#include "commander/ui.h"

class QComboBox;
class QLineEdit;

namespace qmx2::commander::ui {

class CodeDialog : public QDialog {
public:
    CodeDialog(const CodeDialogText& text, QWidget* parent);
    platform::WideString Typed() const;

private:
    QLineEdit* code_;
};

class PukDialog : public QDialog {
public:
    PukDialog(const PukDialogText& text, const PukFields& fields, QWidget* parent);
    PukFields Fields() const;

private:
    QLineEdit* puk_;
    QLineEdit* new_pin_;
    QLineEdit* again_;
};

class ChangeCodeDialog : public QDialog {
public:
    ChangeCodeDialog(const ChangeCodeFields& fields, QWidget* parent);
    ChangeCodeFields Fields() const;

private:
    QComboBox* choice_;
    QLineEdit* old_;
    QLineEdit* new_;
    QLineEdit* again_;
};

}  // namespace qmx2::commander::ui

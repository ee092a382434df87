// The installer's dialogs: the licence agreement, and the progress dialog whose worker thread
// copies the files while its 300 x 18 bar shows the percentage.
#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>

#include <string_view>
#include <thread>

#include "setup/copy_files.h"

class QLabel;

namespace qmx2::setup::ui {

// "%d%%" of the bar.
QString ProgressText(int percent);

// One of the installer's texts (setup_texts.h) as Qt text.
QString Text(std::string_view text);

class ProgressBar : public QWidget {
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 18;
    ProgressBar(const ProgressValue& value, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const ProgressValue& value_;
};

// Accepted: "I Accept"; rejected: "Decline" or closed.
class LicenseDialog : public QDialog {
public:
    LicenseDialog(const QString& license, QWidget* parent);
};

class ProgressDialog : public QDialog, public CopyView {
public:
    ProgressDialog(CopyJob job, QWidget* parent);
    ~ProgressDialog() override;
    // Valid once exec() returned: accepted when every file was copied.
    const CopyOutcome& outcome() const { return outcome_; }
    ProgressBar* bar() const { return bar_; }
    // Shows a state of the copy without copying (for screenshots).
    void Preview(const QString& text, int percent);

    void ShowText(std::string_view text) override;
    void Repaint() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    CopyJob job_;
    ProgressValue progress_;
    CopyOutcome outcome_;
    QLabel* status_ = nullptr;
    ProgressBar* bar_ = nullptr;
    std::thread worker_;
};

}  // namespace qmx2::setup::ui

#include "setup/ui/setup_dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "setup/setup_texts.h"

namespace qmx2::setup::ui {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ProgressText(int percent) { return QString::asprintf("%d%%", percent); }

ProgressBar::ProgressBar(const ProgressValue& value, QWidget* parent) : QWidget(parent), value_(value) {
    setObjectName("progressBar");
    setFixedSize(kWidth, kHeight);
}

void ProgressBar::paintEvent(QPaintEvent*) {
    const int percent = value_.Get();
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.fillRect(QRect(0, 0, kWidth * percent / 100, kHeight), palette().highlight());
    p.setPen(palette().text().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawText(rect(), Qt::AlignCenter, ProgressText(percent));
}

LicenseDialog::LicenseDialog(const QString& license, QWidget* parent) : QDialog(parent) {
    setObjectName("licenseDialog");
    setWindowTitle(Text(kLicenseCaption));
    auto* layout = new QVBoxLayout(this);
    auto* read = new QLabel(Text(kLicenseRead), this);
    read->setWordWrap(true);
    layout->addWidget(read);
    auto* text = new QPlainTextEdit(license, this);
    text->setObjectName("licenseText");
    text->setReadOnly(true);
    layout->addWidget(text, 1);
    auto* ask = new QLabel(Text(kLicenseAsk), this);
    ask->setObjectName("licenseAsk");
    ask->setWordWrap(true);
    layout->addWidget(ask);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* accept = new QPushButton("I Accept", this);
    accept->setObjectName("accept");
    auto* decline = new QPushButton("Decline", this);
    decline->setObjectName("decline");
    row->addWidget(accept);
    row->addWidget(decline);
    layout->addLayout(row);
    connect(accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(decline, &QPushButton::clicked, this, &QDialog::reject);
    resize(440, 320);
}

ProgressDialog::ProgressDialog(CopyJob job, QWidget* parent) : QDialog(parent), job_(job) {
    setObjectName("progressDialog");
    setWindowTitle(Text(kCaption));
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    layout->addWidget(status_);
    bar_ = new ProgressBar(progress_, this);
    layout->addWidget(bar_, 0, Qt::AlignCenter);
}

ProgressDialog::~ProgressDialog() {
    if (worker_.joinable()) worker_.join();
}

void ProgressDialog::ShowText(std::string_view text) {
    QMetaObject::invokeMethod(this, [this, t = Text(text)] { status_->setText(t); }, Qt::QueuedConnection);
}

void ProgressDialog::Repaint() {
    QMetaObject::invokeMethod(bar_, [this] { bar_->update(); }, Qt::QueuedConnection);
}

void ProgressDialog::Preview(const QString& text, int percent) {
    status_->setText(text);
    progress_.Set(percent);
    bar_->update();
}

void ProgressDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (worker_.joinable()) return;
    worker_ = std::thread([this] {
        CopyOutcome outcome = CopyFiles(job_, progress_, *this);
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                outcome_ = outcome;
                if (worker_.joinable()) worker_.join();
                done(outcome.ok ? QDialog::Accepted : QDialog::Rejected);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace qmx2::setup::ui

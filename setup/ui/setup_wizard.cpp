#include "setup/ui/setup_wizard.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/qt/message_box.h"
#include "setup/copy_files.h"
#include "setup/desktop.h"
#include "setup/setup_texts.h"
#include "setup/ui/setup_dialogs.h"

namespace qmx2::setup::ui {
namespace {

constexpr int kWelcomePage = 0;
constexpr int kCompletedPage = 1;

QLabel* Label(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

SetupWizard::SetupWizard(SetupContext& ctx, unsigned watch_interval_ms, QWidget* parent)
    : QDialog(parent), ctx_(ctx), watch_interval_ms_(watch_interval_ms) {
    setObjectName("setupWizard");
    auto* layout = new QVBoxLayout(this);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_, 1);

    auto* welcome = new QWidget(pages_);
    auto* wl = new QVBoxLayout(welcome);
    wl->addWidget(Label(Text(kWelcomeText).replace("%s", QString::fromStdString(ctx.list.title)), "welcome", welcome));
    wl->addWidget(Label(Text(kWelcomeMore), "welcomeMore", welcome), 1);
    pages_->addWidget(welcome);

    auto* done = new QWidget(pages_);
    auto* dl = new QVBoxLayout(done);
    dl->addWidget(Label(Text(kCompletedText), "completed", done));
    readme_ = new QCheckBox(Text(kViewReadme), done);
    readme_->setObjectName("viewReadme");
    dl->addWidget(readme_);
    auto* link = new QLabel(QString("<a href=\"%1\">%1</a>").arg(Text(kWebSite)), done);
    link->setObjectName("link");
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, [this](const QString& l) { OpenLink(l); });
    dl->addWidget(link);
    dl->addStretch(1);
    pages_->addWidget(done);

    auto* row = new QHBoxLayout;
    row->addStretch();
    back_ = new QPushButton("< &Back", this);
    next_ = new QPushButton("&Next >", this);
    quit_ = new QPushButton("&Quit", this);
    back_->setObjectName("back");
    next_->setObjectName("next");
    quit_->setObjectName("quit");
    row->addWidget(back_);
    row->addWidget(next_);
    row->addWidget(quit_);
    layout->addLayout(row);
    connect(back_, &QPushButton::clicked, this, [this] { ShowPage(kWelcomePage); });
    connect(next_, &QPushButton::clicked, this, [this] { Next(); });
    connect(quit_, &QPushButton::clicked, this, [this] { Quit(); });
    next_->setDefault(true);

    watch_ = new QTimer(this);
    connect(watch_, &QTimer::timeout, this, [this] { WatchAppManager(); });
    resize(480, 360);
    ShowPage(kWelcomePage);
}

bool SetupWizard::completed() const { return pages_->currentIndex() == kCompletedPage; }

void SetupWizard::ShowPage(int page) {
    pages_->setCurrentIndex(page);
    setWindowTitle(Text(page == kWelcomePage ? kWelcomeCaption : kCompletedCaption));
    back_->setEnabled(page != kWelcomePage);
}

void SetupWizard::Next() {
    LicenseDialog license(QString::fromUtf8(ReadLicense(ctx_.installer)), this);
    if (license.exec() != QDialog::Accepted) {
        done(1);
        return;
    }
    Install();
}

void SetupWizard::Quit() {
    if (completed()) {
        if (readme_->isChecked()) ctx_.processes.Start(u"notepad", u"notepad readme.txt");
        done(0);
        return;
    }
    using namespace platform::qt;
    if (ShowMessageBox({Text(kQuitQuestion), Text(kQuitCaption), this, Buttons::kYesNo, Icon::kQuestion}) ==
        Answer::kYes)
        done(1);
}

void SetupWizard::Fail(const QString& text) {
    using namespace platform::qt;
    ShowMessageBox({text, Text(kCaption), this, Buttons::kOk, Icon::kError});
    done(1);
}

void SetupWizard::Install() {
    hide();
    back_->hide();
    next_->hide();
    quit_->setText("Done");
    ProgressDialog progress({ctx_.installer, ctx_.desktop, ctx_.destination, ctx_.list}, nullptr);
    if (progress.exec() != QDialog::Accepted) {
        Fail(Text(kCannotCopy).replace("%s", QString::fromStdString(progress.outcome().failed_name)));
        return;
    }
    const int started = StartAppManager(ctx_, &app_manager_);
    if (started <= 31) {
        RemoveSetupLog(ctx_.desktop, ctx_.destination);
        Fail(Text(kNotCompleted).replace("%d", QString::number(started)));
        return;
    }
    watch_->start(static_cast<int>(watch_interval_ms_));
}

void SetupWizard::WatchAppManager() {
    if (AppManagerBusy(ctx_, app_manager_)) return;
    watch_->stop();
    RemoveSetupLog(ctx_.desktop, ctx_.destination);
    ShowCompletedPage();
}

void SetupWizard::ShowCompletedPage() {
    back_->hide();
    next_->hide();
    quit_->setText("Done");
    ShowPage(kCompletedPage);
    show();
}

void SetupWizard::OpenLink(const QString& link) {
    int command = 0;
    if (LinkCommand(link.toStdString(), &command)) {
        if (main_window_) ctx_.windows.PostMessage(main_window_, platform::WM_COMMAND, static_cast<platform::WPARAM>(command), 0);
        return;
    }
    StartBrowser(ctx_, link.toStdU16String());
}

}  // namespace qmx2::setup::ui

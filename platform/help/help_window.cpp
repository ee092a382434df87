// The help viewer's window.
#include "platform/help/help_window.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <mutex>

#include "platform/help/help_topic.h"

// The pages live in a static library: nothing would keep them linked in without this.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace qmx2::platform {

std::optional<std::string> HelpWindow::ReadHelpFile(const std::string& name) {
    static std::once_flag once;
    std::call_once(once, InitHelpResources);
    QFile file(QStringLiteral(":/help/") + QString::fromStdString(name));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll().toStdString();
}

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("QMX2 Help"));
    auto* tools = addToolBar(QStringLiteral("Help"));
    tools->setMovable(false);
    back_ = tools->addAction(QStringLiteral("Back"), this, [this] { Back(); });
    back_->setEnabled(false);
    tools->addAction(QStringLiteral("Contents"), this, [this] { Open(kHelpContentsFile); });

    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    notice_ = new QLabel(page);
    notice_->setWordWrap(true);
    notice_->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; padding: 4px; }"));
    notice_->hide();
    browser_ = new QTextBrowser(page);
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        Open(url.toString(QUrl::RemoveScheme).toStdString());
    });
    layout->addWidget(notice_);
    layout->addWidget(browser_);
    setCentralWidget(page);
}

QString HelpWindow::notice() const { return notice_->isHidden() ? QString() : notice_->text(); }

void HelpWindow::Open(std::string_view topic) {
    if (!file_.isEmpty()) history_.push_back(anchor_.isEmpty() ? file_ : file_ + "#" + anchor_);
    back_->setEnabled(!history_.isEmpty());
    Show(topic);
}

void HelpWindow::Back() {
    if (history_.isEmpty()) return;
    const std::string topic = history_.takeLast().toStdString();
    back_->setEnabled(!history_.isEmpty());
    Show(topic);
}

void HelpWindow::Show(std::string_view topic) {
    const HelpPlan plan = PlanHelp(topic, &HelpWindow::ReadHelpFile);
    file_ = QString::fromStdString(plan.file);
    anchor_ = QString::fromStdString(plan.anchor);
    notice_->setText(QString::fromStdString(plan.notice));
    notice_->setVisible(!plan.notice.empty());
    const std::optional<std::string> page = plan.file.empty() ? std::nullopt : ReadHelpFile(plan.file);
    if (page) {
        browser_->setHtml(QString::fromStdString(*page));
    } else {
        browser_->setPlainText(QStringLiteral("The help pages are missing from this installation."));
    }
    if (!anchor_.isEmpty()) browser_->scrollToAnchor(anchor_);
}

}  // namespace qmx2::platform

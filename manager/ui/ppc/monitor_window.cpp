#include "manager/ui/ppc/monitor_window.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include "manager/core/command_ids.h"
#include "manager/ui/monitor_view.h"
#include "platform/desktop/desktop_resources.h"
#include "platform/help_viewer.h"
#include "platform/tray_icons.h"

namespace qmx2::manager::ui {
namespace {

struct MenuEntry {
    const char* text;
    uint32_t command;
};

constexpr MenuEntry kFileMenu[] = {
    {"Power Down", kCmdPowerDown}, {"About", kCmdAbout}, {"Exit", kCmdExit}};
constexpr MenuEntry kToolsMenu[] = {{"Write Messages...", kCmdWriteMessages},
                                    {"Short Messages...", kCmdShortMessages},
                                    {"Contact Directory...", kCmdContactDirectory},
                                    {"Settings...", kCmdSettings}};

struct Accelerator {
    QKeyCombination keys;
    uint32_t command;
};

}  // namespace

MonitorWindow::MonitorWindow(std::function<MonitorState()> state, std::function<void(uint32_t)> command,
                             platform::HelpViewer& help, const Shell& shell, QWidget* parent)
    : QMainWindow(parent), command_(std::move(command)), help_(help), shell_(shell) {
    setObjectName("QMXManager");
    setWindowTitle("QMX2 monitor");
    setWindowIcon(platform::LoadIcon(platform::kIconManager));
    view_ = new MonitorView(std::move(state), QSize(shell.main_width, shell.main_height), this);
    setCentralWidget(view_);

    QToolBar* command_bar = nullptr;
    if (shell.command_bar) {
        command_bar = new QToolBar(this);
        command_bar->setMovable(false);
        command_bar->setFloatable(false);
        command_bar->toggleViewAction()->setVisible(false);  // it cannot be hidden
        // Its menus read as a menu bar's do: titles without drop-down arrows.
        command_bar->setStyleSheet("QToolButton::menu-indicator { image: none; width: 0px; }");
        addToolBar(Qt::TopToolBarArea, command_bar);
        menus_ = command_bar;
    } else {
        menus_ = menuBar();
    }
    menus_->setObjectName("menu" + QString::number(kMenuMonitor));
    const auto fill = [this, command_bar](const char* title, auto& entries) {
        auto* menu = new QMenu(title, this);
        menus_->addAction(menu->menuAction());
        if (command_bar)
            static_cast<QToolButton*>(command_bar->widgetForAction(menu->menuAction()))
                ->setPopupMode(QToolButton::InstantPopup);
        for (const MenuEntry& entry : entries) {
            QAction* action = menu->addAction(entry.text);
            action->setData(entry.command);
            const uint32_t id = entry.command;
            connect(action, &QAction::triggered, this, [this, id] { command_(id); });
        }
    };
    fill("File", kFileMenu);
    fill("Tools", kToolsMenu);

    statusBar()->setObjectName("statusBar" + QString::number(kMonitorStatusBar));
    statusBar()->setSizeGripEnabled(false);
    AddAccelerators();

    // The window is sized again once menu bar and status bar exist: the monitor keeps its
    // area (240 x 138 or 337 x 159), the bars are added around it.
    setFixedSize(shell.main_width, shell.main_height + menus_->sizeHint().height() + statusBar()->sizeHint().height());
}

void MonitorWindow::AddAccelerators() {
    // Table 169. Ctrl+O (40035) and F1 (40015) are in the table but nothing acts on them.
    const Accelerator table[] = {{Qt::CTRL | Qt::Key_D, kCmdContactDirectory},
                                 {Qt::CTRL | Qt::Key_M, kCmdShortMessages},
                                 {Qt::CTRL | Qt::Key_O, kCmdCtrlO},
                                 {Qt::CTRL | Qt::Key_S, kCmdSettings},
                                 {QKeyCombination(Qt::Key_F1), kCmdHelpKey},
                                 {Qt::CTRL | Qt::Key_W, kCmdWriteMessages}};
    for (const Accelerator& a : table) {
        auto* shortcut = new QShortcut(QKeySequence(a.keys), this);
        const uint32_t id = a.command;
        connect(shortcut, &QShortcut::activated, this, [this, id] { command_(id); });
    }
    auto* help = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { RequestHelp(); });
}

void MonitorWindow::RequestHelp() { help_.Show(kHelpMonitor); }

QDialog* MonitorWindow::MakeAbout() {
    auto* about = new QDialog(this);
    about->setObjectName("dialog" + QString::number(kDlgAbout));
    about->setWindowTitle("About");
    // Sized for the handheld's full screen.
    about->setFixedSize(shell_.screen_width, shell_.screen_height);
    auto* layout = new QVBoxLayout(about);
    auto* icon = new QLabel(about);
    icon->setPixmap(platform::LoadIcon(platform::kIconManager).pixmap(32, 32));
    icon->setAlignment(Qt::AlignHCenter);
    auto* text = new QLabel(QString("<b>Orvan Pellion 2.0</b><br>%1<br>Version 2.0").arg(shell_.program), about);
    text->setObjectName("aboutText");
    text->setAlignment(Qt::AlignHCenter);
    layout->addStretch();
    layout->addWidget(icon);
    layout->addWidget(text);
    layout->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Help, about);
    connect(buttons, &QDialogButtonBox::accepted, about, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::helpRequested, about, [this] { help_.Show(kHelpAbout); });
    layout->addWidget(buttons);
    return about;
}

void MonitorWindow::ShowAbout() {
    QDialog* about = MakeAbout();
    about->exec();
    delete about;
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    command_(kCmdExit);
}

}  // namespace qmx2::manager::ui

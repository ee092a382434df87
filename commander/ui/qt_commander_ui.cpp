// The commander's desktop face.
#include "commander/ui/qt_commander_ui.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "commander/tray_menu.h"
#include "commander/ui/code_dialogs.h"
#include "commander/ui/network_window.h"
#include "commander/ui/texts.h"
#include "commander/ui/tray_popup.h"
#include "platform/desktop/desktop_resources.h"
#include "platform/qt/message_box.h"
#include "platform/qt/placement.h"
#include "platform/qt/wait_cursor.h"
#include "platform/tray_icons.h"

namespace qmx2::commander::ui {
namespace {

constexpr int kMenuBarHeight = 26;

}  // namespace

QtCommanderUi::QtCommanderUi() {
    main_.setObjectName("Qmx2Com");
    main_.setWindowTitle(Text("main", "title"));
    main_.setWindowIcon(platform::LoadIcon(platform::kIconCommander));
    main_.setStyleSheet("QMainWindow { background: white; }");
    QMenu* file = main_.menuBar()->addMenu(Text("main", "file"));
    file->setObjectName("fileMenu");
    QAction* exit = file->addAction(Text("main", "exit"));
    exit->setObjectName("exit");
    QObject::connect(exit, &QAction::triggered, &main_, [this] {
        if (command_) command_(kCmdExit);
    });
    main_.menuBar()->setFixedHeight(kMenuBarHeight);
    // Created without the visible style: the commander lives in the tray.
}

QtCommanderUi::~QtCommanderUi() { platform::qt::SetWaitCursor(false); }

void QtCommanderUi::Attach(const TrayMenu* menu, std::function<void(uint32_t)> command,
                           std::function<void()> tray_changed) {
    menu_ = menu;
    command_ = std::move(command);
    tray_changed_ = std::move(tray_changed);
}

MessageAnswer QtCommanderUi::ShowMessage(const MessageRequest& r) {
    QWidget* owner = r.owner == MessageOwner::kCommanderWindow ? &main_
                     : r.owner == MessageOwner::kDialog        ? dialog_
                                                               : nullptr;
    const platform::qt::Answer a = platform::qt::ShowMessageBox(
        {Q(r.text).replace("\r\n", "\n"), Q(r.caption), owner,
         r.buttons == MessageButtons::kRetryCancel ? platform::qt::Buttons::kRetryCancel
                                                   : platform::qt::Buttons::kOk,
         platform::qt::Icon::kNone, r.foreground});
    if (a == platform::qt::Answer::kRetry) return MessageAnswer::kRetry;
    if (a == platform::qt::Answer::kOk) return MessageAnswer::kOk;
    return MessageAnswer::kCancel;
}

void QtCommanderUi::SetWaitCursor(bool shown) { platform::qt::SetWaitCursor(shown); }

void QtCommanderUi::ShowMenuBar(bool shown) { main_.menuBar()->setVisible(shown); }

template <typename Dialog>
bool QtCommanderUi::Run(Dialog& dialog) {
    platform::qt::CentreDialog(&dialog, &main_);
    QWidget* outer = dialog_;
    dialog_ = &dialog;
    const bool ok = dialog.exec() == QDialog::Accepted;
    dialog_ = outer;
    return ok;
}

bool QtCommanderUi::RunCodeDialog(const CodeDialogText& text, platform::WideString* typed) {
    CodeDialog dialog(text, &main_);
    if (!Run(dialog)) return false;
    *typed = dialog.Typed();
    return true;
}

bool QtCommanderUi::RunPukDialog(const PukDialogText& text, PukFields* fields) {
    PukDialog dialog(text, *fields, &main_);
    if (!Run(dialog)) return false;
    *fields = dialog.Fields();
    return true;
}

bool QtCommanderUi::RunChangeCodeDialog(ChangeCodeFields* fields) {
    ChangeCodeDialog dialog(*fields, &main_);
    if (!Run(dialog)) return false;
    *fields = dialog.Fields();
    return true;
}

NetworkDialogAction QtCommanderUi::NextNetworkAction(const NetworkDialogView& view) {
    if (!network_) network_ = std::make_unique<NetworkWindow>(&main_);
    QWidget* outer = dialog_;
    dialog_ = network_.get();
    const NetworkDialogAction action = network_->Next(view);
    dialog_ = outer;
    return action;
}

void QtCommanderUi::EndNetworkDialog() { network_.reset(); }

QDialog* MakeAboutDialog(QWidget* parent, bool* help_asked) {
    auto* about = new QDialog(parent);
    about->setObjectName("aboutDialog");
    about->setWindowTitle(Text("about", "caption"));
    auto* layout = new QVBoxLayout(about);
    auto* icon = new QLabel(about);
    icon->setPixmap(platform::LoadIcon(platform::kIconCommander).pixmap(32, 32));
    layout->addWidget(icon);
    auto* product = new QLabel("<b>" + Text("about", "product") + "</b><br>" + Text("about", "version"), about);
    product->setObjectName("product");
    layout->addWidget(product);
    auto* text = new QLabel(Text("about", "text"), about);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(about);
    QPushButton* ok = buttons->addButton(Text("about", "ok"), QDialogButtonBox::AcceptRole);
    QPushButton* help = buttons->addButton(Text("about", "help"), QDialogButtonBox::HelpRole);
    ok->setObjectName("ok");
    help->setObjectName("help");
    layout->addWidget(buttons);
    QObject::connect(ok, &QPushButton::clicked, about, &QDialog::accept);
    QObject::connect(help, &QPushButton::clicked, about, [about, help_asked] {
        *help_asked = true;
        about->accept();
    });
    about->setMinimumWidth(260);
    return about;
}

bool QtCommanderUi::ShowAbout() {
    bool help_asked = false;
    const std::unique_ptr<QDialog> about(MakeAboutDialog(&main_, &help_asked));
    Run(*about);
    return help_asked;
}

QMenu* QtCommanderUi::BuildPopup() {
    if (!menu_) return nullptr;
    return BuildTrayPopup(menu_->Snapshot(), &main_, [this](uint32_t c) {
        if (command_) command_(c);
    });
}

void QtCommanderUi::PopupTrayMenu() {
    // Drawn now: the menu-state thread has changed the entries since the last time. The chosen
    // command runs once the popup is gone, outside its loop.
    if (!menu_) return;
    uint32_t chosen = 0;
    QMenu* popup = BuildTrayPopup(menu_->Snapshot(), &main_, [&chosen](uint32_t c) { chosen = c; });
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint corner = TrayPopupCorner(screen ? screen->geometry() : QRect(0, 0, 240, 320));
    popup->exec(platform::qt::TopLeftForBottomRight(corner, popup->sizeHint()));
    delete popup;
    if (chosen && command_) command_(chosen);
}

void QtCommanderUi::TrayChanged() {
    if (tray_changed_) tray_changed_();
}

void QtCommanderUi::BringForward() {
    main_.show();
    main_.raise();
    main_.activateWindow();
}

}  // namespace qmx2::commander::ui

#include "manager/ui/settings_sheet.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QPointer>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include <iterator>

#include "manager/core/command_ids.h"
#include "manager/ui/settings/pages.h"
#include "platform/desktop/desktop_resources.h"
#include "platform/help_viewer.h"
#include "platform/tray_icons.h"

namespace qmx2::manager::ui {
namespace {

constexpr int kSheetHeight = 320;

struct PageEntry {
    const char* title;
    QWidget* (*make)(SettingsParts&, QWidget*);
    const char* help;
};

constexpr PageEntry kPages[] = {{"General", MakeGeneralPage, kHelpGeneral},
                                {"Messages", MakeMessagesPage, kHelpMessagesPage},
                                {"Modem", MakeModemPage, kHelpModemPage},
                                {"Security", MakeSecurityPage, kHelpSecurityPage},
                                {"Network", MakeNetworkPage, kHelpNetworkPage}};

class SettingsSheet : public QDialog {
public:
    SettingsSheet(QWidget* parent, SettingsParts parts) : QDialog(parent), parts_(parts) {
        setObjectName("settingsSheet");
        setWindowTitle("Settings");
        setWindowIcon(platform::LoadIcon(platform::kIconManager));
        setFixedSize(kScreenWidth, kSheetHeight);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(2, 2, 2, 2);
        pages_ = new QTabWidget(this);
        pages_->setObjectName("settingsPages");
        // The handheld's sheets keep their tabs below the page; five do not fit in 240 pixels.
        pages_->setTabPosition(QTabWidget::South);
        pages_->setUsesScrollButtons(true);
        for (const PageEntry& page : kPages) pages_->addTab(page.make(parts_, pages_), page.title);
        pages_->setCurrentIndex(0);
        layout->addWidget(pages_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { RequestHelp(); });
        layout->addWidget(buttons);
        auto* help = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
        connect(help, &QShortcut::activated, this, [this] { RequestHelp(); });
    }

    // The pages store through parts_ as they go, so they go before it; and one at a time, each
    // while the sheet around it is whole: a page that asks something as it stores runs Qt's
    // loop, whose pending events must not reach a tab widget half torn down.
    ~SettingsSheet() override {
        StorePages();
        delete pages_;
    }

    void StoreAndEnd() {
        StorePages();
        reject();
    }

private:
    void StorePages() {
        hide();
        while (pages_->count() > 0) {
            QWidget* page = pages_->widget(0);
            pages_->removeTab(0);
            delete page;
        }
    }

    void RequestHelp() {
        const int page = pages_->currentIndex();
        if (page >= 0 && page < int(std::size(kPages))) parts_.help.Show(kPages[page].help);
    }

    SettingsParts parts_;
    QTabWidget* pages_;
};

// Ends the sheet when the window it belongs to is hidden (closing hides it first).
class ParentHidden : public QObject {
public:
    explicit ParentHidden(QDialog* sheet) : sheet_(sheet) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && sheet_ && sheet_->isVisible())
            sheet_->reject();
        return false;
    }

private:
    QPointer<QDialog> sheet_;
};

}  // namespace

QDialog* MakeSettingsSheet(QWidget* parent, SettingsParts parts) { return new SettingsSheet(parent, parts); }

void StoreOpenSettingsSheets() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* sheet = dynamic_cast<SettingsSheet*>(window); sheet && sheet->isVisible()) sheet->StoreAndEnd();
}

void ShowSettingsSheet(QWidget* parent, SettingsParts parts) {
    // The manager may close the window the sheet belongs to while the sheet is up (the
    // commander's destroy, "Power Down"): the sheet ends first, its pages store with everything
    // around them whole, and only then does the window go.
    QPointer<QDialog> sheet = MakeSettingsSheet(parent, parts);
    ParentHidden watch(sheet);
    if (parent) parent->window()->installEventFilter(&watch);
    sheet->exec();
    delete sheet.data();
}

}  // namespace qmx2::manager::ui

// The "General" page (dialog 162). Only "Language:" and two options are shown; the voice-mailbox
// number, its dial button and options 6 and 7 are on the page, hidden, and carry their stored
// values back unchanged.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "manager/core/command_ids.h"
#include "manager/settings/general_page.h"
#include "manager/ui/settings/field_edits.h"
#include "manager/ui/settings/pages.h"

namespace qmx2::manager::ui {
namespace {

class GeneralPageWidget : public QWidget {
public:
    GeneralPageWidget(ManagerContext& ctx, QWidget* parent)
        : QWidget(parent), ctx_(ctx), model_(OpenGeneralPage(ctx)) {
        setObjectName("page" + QString::number(kDlgGeneralPage));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("Language:", this));
        language_ = new QComboBox(this);
        language_->setObjectName("language");
        for (const std::string& l : model_.languages) language_->addItem(Latin1(l));
        language_->setCurrentIndex(model_.language);
        layout->addWidget(language_);
        confirm_ = Check("Confirm on delete", "confirmOnDelete", model_.confirm_on_delete);
        empty_ = Check("Empty Deleted Items on exit", "emptyDeletedOnExit", model_.empty_deleted_on_exit);
        layout->addWidget(confirm_);
        layout->addWidget(empty_);

        auto* mailbox_label = new QLabel("Voice mailbox number:", this);
        mailbox_label->setObjectName("voiceMailboxLabel");
        mailbox_ = new QLineEdit(Latin1(model_.voice_mailbox), this);
        mailbox_->setObjectName("voiceMailbox");
        mailbox_->setMaxLength(kVoiceMailboxChars);
        auto* dial = new QPushButton("Dial to voice mailbox", this);
        dial->setObjectName("dialVoiceMailbox");
        cell_info_ = Check("Cell info display", "cellInfoDisplay", model_.cell_info_display);
        exit_on_removal_ = Check("Exit program when card removed", "exitWhenCardRemoved",
                                 model_.exit_when_card_removed);
        for (QWidget* hidden : {static_cast<QWidget*>(mailbox_label), static_cast<QWidget*>(mailbox_),
                                static_cast<QWidget*>(dial), static_cast<QWidget*>(cell_info_),
                                static_cast<QWidget*>(exit_on_removal_)}) {
            layout->addWidget(hidden);
            hidden->hide();
        }
        layout->addStretch();
    }

    ~GeneralPageWidget() override {
        model_.language = language_->currentIndex();
        model_.confirm_on_delete = confirm_->isChecked();
        model_.empty_deleted_on_exit = empty_->isChecked();
        model_.cell_info_display = cell_info_->isChecked();
        model_.exit_when_card_removed = exit_on_removal_->isChecked();
        // The edit holds Latin-1 text only as far as the option block can store it.
        model_.voice_mailbox = ToLatin1(mailbox_->text());
        DestroyGeneralPage(ctx_, model_);
    }

private:
    QCheckBox* Check(const char* text, const char* name, bool on) {
        auto* box = new QCheckBox(text, this);
        box->setObjectName(name);
        box->setChecked(on);
        return box;
    }

    ManagerContext& ctx_;
    GeneralPage model_;
    QComboBox* language_;
    QCheckBox* confirm_;
    QCheckBox* empty_;
    QLineEdit* mailbox_;
    QCheckBox* cell_info_;
    QCheckBox* exit_on_removal_;
};

}  // namespace

QWidget* MakeGeneralPage(SettingsParts& parts, QWidget* parent) { return new GeneralPageWidget(parts.ctx, parent); }

}  // namespace qmx2::manager::ui

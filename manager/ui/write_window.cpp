#include "manager/ui/write_window.h"

#include <algorithm>

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "manager/core/command_ids.h"
#include "manager/messages/recipients.h"
#include "manager/messages/send.h"
#include "manager/ui/card_command.h"
#include "manager/ui/recipient_pickers.h"
#include "manager/ui/settings/centre_dialogs.h"
#include "manager/ui/write_panel.h"
#include "manager/ui/tool_menus.h"
#include "platform/desktop/desktop_resources.h"
#include "platform/help_viewer.h"
#include "platform/tray_icons.h"

namespace qmx2::manager::ui {
namespace {

constexpr QRect kTextRect{19, 35, 203, 105};
constexpr QRect kNumberRect{58, 165, 163, 17};
constexpr QRect kListRect{58, 185, 163, 55};

const Menu kMenus[] = {
    {"File", {{"Send", kCmdSend}, {"Save to Draft", kCmdSaveDraft}, {"Close", kCmdCloseWrite}}},
    {"Edit",
     {{"Undo", kCmdUndo}, {"Cut", kCmdCut}, {"Copy", kCmdCopy}, {"Paste", kCmdPasteText}, {"Delete", kCmdDelete},
      {"Select All", kCmdSelectAll}}},
    {"Tools",
     {{"Select Recipients...", kCmdSelectRecipients}, {"Recent Recipients...", kCmdRecentRecipients},
      {"Settings...", kCmdToolSettings}, {"Options...", kCmdOptions}}},
};

bool IsBreak(char16_t u) { return u == 0x2029 || u == 0x2028 || u == u'\n' || u == u'\r'; }

// The edit's text as the handheld's edit control holds it: each line break as CR LF.
std::u16string Units(const QString& raw) {
    std::u16string out;
    out.reserve(size_t(raw.size()));
    for (QChar c : raw) {
        if (IsBreak(c.unicode())) out += u"\r\n";
        else out.push_back(c.unicode());
    }
    return out;
}

QString FromUnits(std::u16string_view units) {
    return QString::fromUtf16(units.data(), qsizetype(units.size())).replace("\r\n", "\n");
}

std::u16string Plain(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

}  // namespace

WriteWindow::WriteWindow(ManagerContext& ctx, platform::HelpViewer& help, std::function<void(uint32_t)> tools,
                         QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), help_(help), tools_(std::move(tools)) {
    setObjectName("writeWindow");
    setWindowTitle("Write Message");
    setWindowIcon(platform::LoadIcon(platform::kIconManager));
    panel_ = new WritePanel([this](int button) { PictureButton(button); }, this);
    panel_->setFixedSize(kScreenWidth, kToolWindowHeight);
    setCentralWidget(panel_);

    text_ = new QPlainTextEdit(panel_);
    text_->setObjectName("text" + QString::number(kWriteText));
    text_->setGeometry(kTextRect);
    text_->setTabChangesFocus(true);
    text_->installEventFilter(this);
    // Where the text changed is known here; the edit is cut back once the change is complete.
    connect(text_->document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
        change_position_ = position;
        change_added_ = added;
    });
    connect(text_, &QPlainTextEdit::textChanged, this, [this] { TextChanged(change_position_, change_added_); });

    number_ = new QLineEdit(panel_);
    number_->setObjectName("number" + QString::number(kWriteNumber));
    number_->setGeometry(kNumberRect);
    number_->setMaxLength(kRecipientNumberLimit);
    connect(number_, &QLineEdit::returnPressed, this, [this] {
        WriteWindowState state = State();
        if (AddTypedRecipient(state)) {
            ShowRecipients(state);
            number_->clear();
        }
    });

    list_ = new QListWidget(panel_);
    list_->setObjectName("recipients" + QString::number(kWriteRecipients));
    list_->setGeometry(kListRect);
    list_->installEventFilter(this);

    BuildMenus();
    // Table 171.
    const QKeyCombination table171[] = {Qt::CTRL | Qt::Key_Return,
                                       QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Enter)};
    for (QKeyCombination keys : table171) {
        auto* send = new QShortcut(QKeySequence(keys), this);
        connect(send, &QShortcut::activated, this, [this] { Command(kCmdSend); });
    }
    auto* help_key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
    connect(help_key, &QShortcut::activated, this, [this] { RequestHelp(); });
    setFixedSize(kScreenWidth, kToolWindowHeight + menuBar()->sizeHint().height());
}

void WriteWindow::BuildMenus() {
    actions_ = FillMenuBar(menuBar(), kMenuWrite, kMenus, [this](uint32_t id) { Command(id); });
}

void WriteWindow::Fill(const WriteWindowState& state) {
    ShowRecipients(state);
    number_->setText(QString::fromUtf16(state.to_box.data(), qsizetype(state.to_box.size())));
    // The edit takes no more than its limit from a stored message either.
    text_->setPlainText(FromUnits(LimitWriteText(state.text)));
}

void WriteWindow::AddRecipients(const std::vector<std::string>& numbers) {
    for (const std::string& n : numbers) list_->addItem(QString::fromLatin1(n.data(), qsizetype(n.size())));
}

WriteWindowState WriteWindow::State() const {
    WriteWindowState state;
    for (int i = 0; i < list_->count(); ++i) state.recipients.push_back(Plain(list_->item(i)->text()));
    QListWidgetItem* current = list_->currentItem();
    state.selected = current && current->isSelected() ? list_->row(current) : -1;
    state.to_box = Plain(number_->text());
    state.text = Units(text_->document()->toRawText());
    return state;
}

void WriteWindow::ShowRecipients(const WriteWindowState& state) {
    list_->clear();
    for (const std::u16string& r : state.recipients)
        list_->addItem(QString::fromUtf16(r.data(), qsizetype(r.size())));
    if (state.selected >= 0 && state.selected < list_->count()) {
        list_->setCurrentRow(state.selected);
    } else {
        list_->setCurrentRow(-1);
        list_->clearSelection();
    }
}

void WriteWindow::TextChanged(int position, int added) {
    if (limiting_) return;
    const QString raw = text_->document()->toRawText();
    std::u16string units = Units(raw);
    if (units.size() > size_t(kWriteTextLimit) && added > 0) {
        // Refuse what goes beyond the limit from the text just put in, wherever it went.
        const int start = std::clamp(position, 0, int(raw.size()));
        const int end = std::clamp(position + added, start, int(raw.size()));
        const QString inserted = raw.mid(start, end - start);
        const std::u16string rest = Units(raw.left(start) + raw.mid(end));
        const size_t room = LimitWriteText(rest + Units(inserted)).size();
        const size_t fits = room > rest.size() ? room - rest.size() : 0;
        int keep = 0;
        for (size_t used = 0; keep < inserted.size(); ++keep) {
            used += IsBreak(inserted[keep].unicode()) ? 2 : 1;
            if (used > fits) break;
        }
        limiting_ = true;
        QTextCursor cursor(text_->document());
        cursor.joinPreviousEditBlock();
        cursor.setPosition(start + keep);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.endEditBlock();
        limiting_ = false;
        units = Units(text_->document()->toRawText());
    }
    panel_->SetCount(CountedCharacters(units));
}

void WriteWindow::Command(uint32_t command) {
    switch (command) {
    case kCmdSend: Send(); return;
    case kCmdSaveDraft: SaveToDraft(); return;
    case kCmdCloseWrite: close(); return;
    case kCmdUndo: text_->undo(); return;
    case kCmdCut: text_->cut(); return;
    case kCmdCopy: text_->copy(); return;
    case kCmdPasteText: text_->paste(); return;
    case kCmdDelete: text_->textCursor().removeSelectedText(); return;
    case kCmdSelectAll: text_->selectAll(); return;
    case kCmdSelectRecipients: SelectRecipients(); return;
    case kCmdRecentRecipients: RecentRecipientsPicker(); return;
    case kCmdToolSettings: tools_(command); return;
    case kCmdOptions: RunOptionsDialog(ctx_, help_, this); return;
    default: return;
    }
}

void WriteWindow::PictureButton(int button) {
    switch (button) {
    case kSendButton: Command(kCmdSend); return;
    case kPickButton: Command(kCmdSelectRecipients); return;
    case kRemoveButton: RemoveRecipient(); return;
    default: return;
    }
}

void WriteWindow::Send() {
    WriteWindowState state = State();
    SendReport report;
    RunCardCommand(this, ctx_.clock, [&] { report = SendMessage(ctx_, state); });
    // A "To" entry has moved into the list; the list and the text stay otherwise.
    ShowRecipients(state);
    number_->setText(QString::fromUtf16(state.to_box.data(), qsizetype(state.to_box.size())));
    if (report.sent > 0) ctx_.ui.RefreshMessageWindow();
    if (report.cancelled || report.failures.empty()) return;
    // The card did not take the message for these entries (a refused number says nothing else).
    std::u16string notes;
    for (const std::string& line : report.failures) {
        if (!notes.empty()) notes += u"\r\n";
        const QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
        notes += Plain(text);
    }
    ctx_.ui.ShowMessage(kCaption, notes, Buttons::kOk, true);
}

void WriteWindow::SaveToDraft() {
    if (SaveDraft(ctx_, State()) >= 0) ctx_.ui.RefreshMessageWindow();
}

// The pickers live on the heap: the commander may close the manager while one is open, and the
// window (with its dialog) is then gone when exec returns.
void WriteWindow::SelectRecipients() {
    QPointer<SelectRecipientsDialog> dialog = new SelectRecipientsDialog(ctx_, help_, this);
    const int result = dialog->exec();
    if (!dialog) return;
    if (result == QDialog::Accepted) {
        WriteWindowState state = State();
        AcceptPicker(dialog->picker(), state);
        ShowRecipients(state);
    }
    delete dialog.data();
}

void WriteWindow::RecentRecipientsPicker() {
    QPointer<RecentRecipientsDialog> dialog = new RecentRecipientsDialog(ctx_, this);
    const int result = dialog->exec();
    if (!dialog) return;
    const std::u16string chosen = result == QDialog::Accepted ? dialog->Chosen() : std::u16string();
    if (!chosen.empty()) list_->addItem(QString::fromUtf16(chosen.data(), qsizetype(chosen.size())));
    delete dialog.data();
}

void WriteWindow::RemoveRecipient() {
    WriteWindowState state = State();
    if (RemoveSelectedRecipient(state)) ShowRecipients(state);
}

void WriteWindow::RequestHelp() { help_.Show(kHelpWrite); }

bool WriteWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_ && event->type() == QEvent::FocusIn) {
        list_->setCurrentRow(-1);
        list_->clearSelection();
    }
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        RemoveRecipient();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace qmx2::manager::ui

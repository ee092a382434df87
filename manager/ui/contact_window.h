// The contact window (menu bar 114, accelerators 172): the memory selector "SIM", "Card", "PDA"
// above the list of the chosen book, a status line for the loading notice and its 2-second
// timer. Every command runs the phone-book logic; those that may talk to the card run beside
// Qt's loop.
#pragma once

#include <QMainWindow>

#include <map>
#include <vector>

#include "manager/core/manager_context.h"
#include "manager/phonebook/contact_list.h"

class QAction;
class QComboBox;
class QTimer;
class QTreeWidget;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

inline constexpr int kContactTimerMs = 2000;

class ContactWindow : public QMainWindow {
public:
    ContactWindow(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent = nullptr);

    // A menu, accelerator or key command (identifiers of menu 114).
    void Command(uint32_t command);
    // As choosing `book` in the memory selector.
    void SelectBook(BookId book);
    void RequestHelp();
    // One tick of the 2-second timer: the loading notice until both card books are read.
    void Tick();

    const ContactList& contacts() const { return contacts_; }
    QString StatusLine() const;
    QComboBox* memory() const { return memory_; }
    QTreeWidget* list() const { return list_; }
    QAction* action(uint32_t command) const { return actions_.at(command); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    // Rows from contacts_; `keep_marks` keeps the marked entries when the book is the same.
    void Fill(bool keep_marks);
    void ApplyCommands();
    std::vector<int> MarkedRows() const;  // indices of contacts_.rows, top to bottom

    ManagerContext& ctx_;
    platform::HelpViewer& help_;
    ContactList contacts_;
    QComboBox* memory_;
    QTreeWidget* list_;
    QTimer* timer_;
    std::map<uint32_t, QAction*> actions_;
};

}  // namespace qmx2::manager::ui

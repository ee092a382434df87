// The write window's recipient pickers: "Select Recipients" (dialog 131), "Recent Recipients"
// (dialog 132) and "Select Number" (dialog 133), over the picker models of
// manager/messages/recipients.h. Cancel changes nothing.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "manager/core/manager_context.h"
#include "manager/messages/recipients.h"

class QListWidget;
class QPushButton;
class QTreeWidget;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

// Dialog 132: every sent message's recipient; OK hands back the selected line.
class RecentRecipientsDialog : public QDialog {
public:
    RecentRecipientsDialog(ManagerContext& ctx, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }
    // The selected line as the recipient list holds it; empty with nothing selected.
    std::u16string Chosen() const;

private:
    QListWidget* list_;
};

// Dialog 131: candidates ("Name", "Number") from the three phone books, the chosen list, "To",
// "Remove" and "Refresh"; OK hands the chosen recipients to the write window.
class SelectRecipientsDialog : public QDialog {
public:
    SelectRecipientsDialog(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent = nullptr);
    const RecipientPicker& picker() const { return picker_; }
    QTreeWidget* candidates() const { return candidates_; }
    QListWidget* chosen() const { return chosen_; }
    QPushButton* to_button() const { return to_; }
    QPushButton* remove_button() const { return remove_; }
    QPushButton* refresh_button() const { return refresh_; }
    void RequestHelp();

private:
    void Show();  // the lists from the model

    ManagerContext& ctx_;
    platform::HelpViewer& help_;
    RecipientPicker picker_;
    QTreeWidget* candidates_;
    QListWidget* chosen_;
    QPushButton* to_;
    QPushButton* remove_;
    QPushButton* refresh_;
};

// Dialog 133: the SIM book's entries with a name and a number.
class SelectNumberDialog : public QDialog {
public:
    SelectNumberDialog(ManagerContext& ctx, QWidget* parent = nullptr);
    QTreeWidget* rows() const { return rows_; }
    // The selected row's number (at most 20 characters); empty with nothing selected.
    std::string Number() const;

private:
    std::vector<Candidate> entries_;
    QTreeWidget* rows_;
};

// Runs dialog 133: the chosen number, or the empty text on Cancel or without a selection.
std::string SelectNumber(ManagerContext& ctx, QWidget* parent);

}  // namespace qmx2::manager::ui

// The write window's recipient pickers as data: "Recent Recipients" (132), "Select Recipients"
// (131) and "Select Number" (133), and the write window's own recipient edits.
#pragma once

#include <string>
#include <vector>

#include "manager/core/manager_context.h"
#include "manager/messages/write_window.h"

namespace qmx2::manager {

// One line per record whose status holds "STO SENT" but not "(DEL)" and whose number is not
// empty: "name (number)", or the number alone for a record without a name. Table order.
std::vector<std::string> RecentRecipients(ManagerContext& ctx);

struct Candidate {
    BookId book;
    int entry;  // position in its book
    std::string name;
    std::string number;
};

enum class PickColumn { kName = 0, kNumber = 1 };

struct RecipientPicker {
    std::vector<Candidate> candidates;
    std::vector<Candidate> chosen;  // shown with ChosenText
    PickColumn column = PickColumn::kName;
    bool ascending = true;
    int selected = -1;         // candidate row
    int chosen_selected = -1;  // chosen row
};

// "name (number)".
std::string ChosenText(const Candidate& c);

// Opening and "Refresh": the chosen list emptied, the candidates refilled from the SIM, card and
// handheld books (entries with both a name and a number), sorted, the first selected.
void RefreshPicker(ManagerContext& ctx, RecipientPicker& picker);
// "To" and "Remove": the selected row moves to the other list; the candidates are sorted again
// and the first selected. False when nothing was selected.
bool PickSelected(RecipientPicker& picker);
bool UnpickSelected(RecipientPicker& picker);
// A tap on a column header: that column ascending, or the order reversed on the same column.
void SortPickerByClick(RecipientPicker& picker, PickColumn column);
// OK: every chosen recipient is added to the write window's list.
void AcceptPicker(const RecipientPicker& picker, WriteWindowState& window);

// "Select Number": the SIM book's entries with both a name and a number, and what OK returns for
// a selected row (its number, at most 20 characters; empty with nothing selected).
std::vector<Candidate> SelectNumberRows(ManagerContext& ctx);
std::string SelectedNumber(const std::vector<Candidate>& rows, int selected);

// Enter in the number entry: a non-empty entry (at most 20 characters) joins the recipient list,
// the list's selection is cleared and the entry emptied. False for an empty entry.
bool AddTypedRecipient(WriteWindowState& window);
// Del in the recipient list, and the third picture button.
bool RemoveSelectedRecipient(WriteWindowState& window);

// The write window's counter: characters of the text with a CR LF pair counting as one,
// "%d / 160", red above 160.
int CountedCharacters(std::u16string_view text);
std::u16string CounterText(int count);
bool CounterRed(int count);
// What the text edit keeps of typed or pasted text: at most 320 characters as the edit holds
// them (a line break is CR LF there).
std::u16string LimitWriteText(std::u16string_view text);

}  // namespace qmx2::manager

// Recipient pickers and the write window's recipient edits.
#include "manager/messages/recipients.h"

#include <algorithm>
#include <mutex>

#include "manager/core/command_ids.h"

namespace qmx2::manager {
namespace {

bool Holds(std::string_view s, std::string_view what) { return s.find(what) != std::string_view::npos; }

void AddBook(const PhoneBook& book, BookId id, std::vector<Candidate>& out) {
    for (int k = 0; k < book.size(); ++k) {
        const PhonebookEntry& e = book.entries[static_cast<std::size_t>(k)];
        if (FieldEmpty(e.name) || FieldEmpty(e.number)) continue;
        out.push_back({id, k, std::string(FieldText(e.name)), std::string(FieldText(e.number))});
    }
}

void SortAndSelectFirst(RecipientPicker& p) {
    auto key = [&p](const Candidate& c) -> const std::string& {
        return p.column == PickColumn::kName ? c.name : c.number;
    };
    std::stable_sort(p.candidates.begin(), p.candidates.end(),
                     [&](const Candidate& a, const Candidate& b) {
                         return p.ascending ? key(a) < key(b) : key(b) < key(a);
                     });
    p.selected = p.candidates.empty() ? -1 : 0;
}

bool Valid(int row, std::size_t size) { return row >= 0 && static_cast<std::size_t>(row) < size; }

}  // namespace

std::vector<std::string> RecentRecipients(ManagerContext& ctx) {
    std::vector<std::string> lines;
    std::lock_guard lock(ctx.tables);
    for (const MessageRecord& r : ctx.messages.records) {
        const std::string_view status = FieldText(r.status);
        if (!Holds(status, "STO SENT") || Holds(status, "(DEL)") || FieldEmpty(r.number)) continue;
        const std::string number(FieldText(r.number));
        lines.push_back(FieldEmpty(r.name) ? number
                                           : std::string(FieldText(r.name)) + " (" + number + ")");
    }
    return lines;
}

std::string ChosenText(const Candidate& c) { return c.name + " (" + c.number + ")"; }

void RefreshPicker(ManagerContext& ctx, RecipientPicker& picker) {
    picker.chosen.clear();
    picker.chosen_selected = -1;
    picker.candidates.clear();
    {
        std::lock_guard lock(ctx.tables);
        AddBook(ctx.books.sim, BookId::kSim, picker.candidates);
        AddBook(ctx.books.card, BookId::kCard, picker.candidates);
        AddBook(ctx.books.pda, BookId::kPda, picker.candidates);
    }
    SortAndSelectFirst(picker);
}

bool PickSelected(RecipientPicker& p) {
    if (!Valid(p.selected, p.candidates.size())) return false;
    p.chosen.push_back(p.candidates[static_cast<std::size_t>(p.selected)]);
    p.candidates.erase(p.candidates.begin() + p.selected);
    SortAndSelectFirst(p);
    return true;
}

bool UnpickSelected(RecipientPicker& p) {
    if (!Valid(p.chosen_selected, p.chosen.size())) return false;
    p.candidates.push_back(p.chosen[static_cast<std::size_t>(p.chosen_selected)]);
    p.chosen.erase(p.chosen.begin() + p.chosen_selected);
    p.chosen_selected = -1;
    SortAndSelectFirst(p);
    return true;
}

void SortPickerByClick(RecipientPicker& p, PickColumn column) {
    p.ascending = column == p.column ? !p.ascending : true;
    p.column = column;
    SortAndSelectFirst(p);
}

void AcceptPicker(const RecipientPicker& picker, WriteWindowState& window) {
    for (const Candidate& c : picker.chosen) {
        const std::string text = ChosenText(c);
        window.recipients.emplace_back(text.begin(), text.end());  // single-byte text widened
    }
}

std::vector<Candidate> SelectNumberRows(ManagerContext& ctx) {
    std::vector<Candidate> rows;
    std::lock_guard lock(ctx.tables);
    AddBook(ctx.books.sim, BookId::kSim, rows);
    return rows;
}

std::string SelectedNumber(const std::vector<Candidate>& rows, int selected) {
    if (!Valid(selected, rows.size())) return {};
    return rows[static_cast<std::size_t>(selected)].number.substr(0, kRecipientNumberLimit);
}

bool AddTypedRecipient(WriteWindowState& w) {
    if (w.to_box.empty()) return false;
    w.recipients.push_back(w.to_box.substr(0, kRecipientNumberLimit));
    w.selected = -1;
    w.to_box.clear();
    return true;
}

bool RemoveSelectedRecipient(WriteWindowState& w) {
    if (!Valid(w.selected, w.recipients.size())) return false;
    w.recipients.erase(w.recipients.begin() + w.selected);
    w.selected = -1;
    return true;
}

int CountedCharacters(std::u16string_view text) {
    int n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        ++n;
    }
    return n;
}

std::u16string CounterText(int count) {
    const std::string s = std::to_string(count) + " / 160";
    return std::u16string(s.begin(), s.end());
}

bool CounterRed(int count) { return count > kWriteCounterRed; }

std::u16string LimitWriteText(std::u16string_view text) {
    std::size_t n = std::min<std::size_t>(text.size(), kWriteTextLimit);
    // A line break is never cut in half.
    if (n > 0 && n < text.size() && text[n - 1] == u'\r' && text[n] == u'\n') --n;
    return std::u16string(text.substr(0, n));
}

}  // namespace qmx2::manager

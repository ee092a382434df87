// qmx2ctl's message operations: the write window, the clipboard and the delete command, driven
// by words.
#include <string>
#include <utility>

#include "manager/ctl/ops_words.h"
#include "manager/messages/clipboard.h"
#include "manager/messages/delete.h"
#include "manager/messages/message_text.h"
#include "manager/messages/send.h"

namespace qmx2::manager::ctl {
namespace {

// The command line's text as the edit box holds it: "\n" (typed or real) becomes CR LF.
std::u16string EditText(std::string text) {
    for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
    std::u16string out;
    for (char16_t c : Latin1Wide(platform::FromUtf8(text))) {
        if (c == u'\n') {
            out += u"\r\n";
        } else if (c != u'\r') {
            out.push_back(c);
        }
    }
    return out;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string t;
    for (const std::string& s : words) t += (t.empty() ? "" : " ") + s;
    return t;
}

CommandResult Send(ManagerContext& ctx, const OpsWords& o) {
    WriteWindowState w;
    std::string why;
    for (auto [it, end] = o.named.equal_range("--to"); it != end; ++it) {
        // "name (number)" as the recipient dialogs make it: the number is what is checked.
        platform::WideString entry = platform::FromUtf8(it->second);
        if (!NumberTyped(platform::ToUtf8(RecipientNumberPart(entry)), &why)) return OpsBad(why);
        w.recipients.push_back(std::move(entry));
    }
    if (w.recipients.empty()) return OpsBad("sms send needs --to NUMBER");
    // "--to 1000 1001 hi" reads as two recipients to a person, as one to the words.
    const std::string& first = o.plain.empty() ? std::string() : o.plain.front();
    if (first.find_first_of("0123456789") != std::string::npos && NumberTyped(first, &why))
        return OpsBad("\"" + first + "\" could be a number or the text: give every recipient its "
                      "own --to, and quote a text that begins with a number");
    w.text = EditText(Joined(o.plain));
    const SendReport r = SendMessage(ctx, w);
    std::string t;
    for (const std::string& f : r.failures) t += f + "\n";  // already UTF-8
    return OpsDone(!r.cancelled && r.sent == static_cast<int>(w.recipients.size()), t);
}

// Rows as the message window's hidden column gives them; the folder is the one listing the
// first of them.
bool Rows(ManagerContext& ctx, const std::vector<std::string>& words, std::vector<int>* rows,
          Folder* folder, std::string* bad) {
    for (const std::string& word : words) {
        const int position = PositionFromHiddenCell(ctx.messages, word);
        if (position < 0) {
            *bad = word;
            return false;
        }
        rows->push_back(position + 1);
    }
    if (rows->empty()) return false;
    for (Folder f : kFolders) {
        if (f != Folder::kPersonal && FolderHolds(ctx.messages, f, rows->front() - 1)) {
            *folder = f;
            return true;
        }
    }
    *bad = words.front();
    return false;
}

CommandResult ClipboardCommand(ManagerContext& ctx, const OpsWords& o, bool move) {
    std::vector<int> rows;
    Folder from = Folder::kPersonal;
    std::string bad;
    if (!Rows(ctx, o.plain, &rows, &from, &bad)) return OpsBad("no listed message at position " + bad);
    Folder to = Folder::kPersonal;
    if (o.Has("--to") && !FolderFromName(o.Named("--to"), &to)) return OpsBad("no folder named " + o.Named("--to"));
    ClipboardState clip;
    if (!PutOnClipboard(ctx, clip, rows, move)) return OpsDone(false, "the clipboard file cannot be written\n");
    if (!o.Has("--to")) return OpsDone(true);
    const PasteReport r = Paste(ctx, clip, to);
    return OpsDone(!r.stopped && r.pasted == static_cast<int>(rows.size()));
}

}  // namespace

std::optional<CommandResult> RunSmsOps(ManagerContext& ctx, const std::vector<std::string>& w) {
    if (w.size() < 2) return std::nullopt;
    const std::string& op = w[1];
    OpsWords o;
    std::string why;
    if (op == "send" || op == "draft" || op == "delete" || op == "move" || op == "copy" ||
        op == "paste") {
        if (!SplitOpsWords(w, 2, {"--to"}, &o, &why)) return OpsBad(why);
    }
    if (op == "send") return Send(ctx, o);
    if (op == "draft") {
        WriteWindowState win;
        win.text = EditText(Joined(o.plain));
        const int slot = SaveDraft(ctx, win);
        return OpsDone(slot >= 0, slot >= 0 ? "Draft at position " + std::to_string(slot + 1) + "\n" : "");
    }
    if (op == "delete") {
        std::vector<int> rows;
        Folder folder = Folder::kPersonal;
        std::string bad;
        if (!Rows(ctx, o.plain, &rows, &folder, &bad)) return OpsBad("no listed message at position " + bad);
        return OpsDone(DeleteMessages(ctx, folder, rows) > 0);
    }
    if (op == "move" || op == "copy") return ClipboardCommand(ctx, o, op == "move");
    if (op == "paste") {
        Folder to;
        if (o.plain.size() != 1 || !FolderFromName(o.plain[0], &to)) return OpsBad("sms paste needs a folder");
        // The clipboard's record count lives only while the manager runs.
        return OpsDone(false, "nothing to paste: use sms move|copy POS... --to FOLDER\n");
    }
    return std::nullopt;
}

}  // namespace qmx2::manager::ctl

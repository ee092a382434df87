// Parsing qmx2ctl's options and command words.
#include "manager/ctl/ctl_options.h"

#include <charconv>

#include "manager/ctl/ops_commands.h"
#include "manager/ctl/terminal_text.h"
#include "manager/phonebook/contact_list.h"

namespace qmx2::manager::ctl {

const char kCtlUsage[] =
    "usage: qmx2ctl [--root DIR] [--json] [--yes|--no|--ask] [--wait SECONDS] COMMAND\n"
    "  status\n"
    "  sms list [FOLDER]          FOLDER: Inbox (default), \"Own Messages\", \"Sent Messages\",\n"
    "                             Draft, PDA, \"Deleted Messages\"\n"
    "  sms read POS               POS: the position shown by sms list\n"
    "  pb list SIM|Card|PDA\n"
    "  pb new BOOK --name NAME --number NUMBER\n"
    "  pb edit BOOK INDEX [--name NAME] [--number NUMBER]\n"
    "  pb delete BOOK INDEX...\n"
    "  pb copy|move BOOK INDEX... --to BOOK\n";

bool ParseCtlOptions(int argc, const char* const* argv, CtlOptions* o, std::string* error) {
    auto value = [&](int& i, std::string* out) {
        if (i + 1 >= argc) {
            *error = std::string(argv[i]) + " needs a value";
            return false;
        }
        *out = argv[++i];
        return true;
    };
    std::string text;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json") {
            o->json = true;
        } else if (a == "--yes") {
            o->ui.reply = Reply::kYes;
        } else if (a == "--no") {
            o->ui.reply = Reply::kNo;
        } else if (a == "--ask") {
            o->ui.reply = Reply::kAsk;
        } else if (a == "--root") {
            if (!value(i, &o->root)) return false;
        } else if (a == "--wait") {
            if (!value(i, &text)) return false;
            const auto r = std::from_chars(text.data(), text.data() + text.size(), o->wait_s);
            if (r.ec != std::errc() || r.ptr != text.data() + text.size() || o->wait_s < 0) {
                *error = "--wait needs a number of seconds";
                return false;
            }
        } else if (a == "--name" || a == "--number") {
            if (!value(i, &text)) return false;
            if (a == "--number" && !NumberTyped(text, error)) return false;
            if (!o->ui.contact) o->ui.contact = ContactFields{};
            (a == "--name" ? o->ui.contact->name : o->ui.contact->number) = Utf8ToLatin1(text);
        } else if (a == "--to") {
            if (!value(i, &text)) return false;
            BookId book;
            if (!BookFromName(text, &book)) {
                *error = "--to needs SIM, Card or PDA";
                return false;
            }
            o->ui.target = book;
        } else if (a == "--help" || a == "-h") {
            *error = "help";
            return false;
        } else if (a.starts_with("--")) {
            *error = "unknown option " + a;
            return false;
        } else {
            o->command.push_back(a);
            if (OpsCommandTakesAllWords(o->command))
                while (i + 1 < argc) o->command.push_back(argv[++i]);
        }
    }
    if (o->command.empty()) {
        *error = "no command given";
        return false;
    }
    return true;
}

}  // namespace qmx2::manager::ctl

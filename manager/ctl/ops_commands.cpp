// Dispatch and word reading of qmx2ctl's operation commands.
#include "manager/ctl/ops_commands.h"

#include <algorithm>
#include <charconv>

#include "manager/ctl/ops_words.h"

namespace qmx2::manager::ctl {

const char kOpsUsage[] =
    "  sms send --to NUMBER [--to NUMBER]... TEXT   TEXT may hold \\n for a line break\n"
    "  sms draft TEXT\n"
    "  sms delete POS...\n"
    "  sms move|copy POS... [--to FOLDER]   with --to: pasted into FOLDER at once\n"
    "  sms paste FOLDER\n"
    "  centre list|default\n"
    "  centre new --name NAME --number NUMBER [--validity LABEL]\n"
    "  centre edit ROW [--name NAME] [--number NUMBER] [--validity LABEL]\n"
    "  centre delete|select|apply ROW      ROW: 1 for the first profile listed\n"
    "  security status\n"
    "  security lock None|Phone --password CODE\n"
    "  security pin-request On|Off --password CODE\n"
    "  security change-code pin|pin2|security --old CODE --new CODE\n"
    "  net status|search|auto\n"
    "  net select NAME\n"
    "  speed get\n"
    "  speed set modem|v110|v120 9.6|14.4|19.2|28.8|43.2\n"
    "  monitor\n"
    "  (options of these commands come after the command; the others before it)\n";

bool ParseInt(const std::string& s, int* n) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), *n);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool SplitOpsWords(const std::vector<std::string>& w, std::size_t from,
                   const std::vector<std::string>& allowed, OpsWords* out, std::string* why) {
    for (std::size_t i = from; i < w.size(); ++i) {
        if (!w[i].starts_with("--")) {
            out->plain.push_back(w[i]);
            continue;
        }
        if (std::find(allowed.begin(), allowed.end(), w[i]) == allowed.end()) {
            *why = "unknown option " + w[i];
            return false;
        }
        if (i + 1 >= w.size()) {
            *why = w[i] + " needs a value";
            return false;
        }
        out->named.emplace(w[i], w[i + 1]);
        ++i;
    }
    return true;
}

bool OpsCommandTakesAllWords(const std::vector<std::string>& w) {
    if (w.empty()) return false;
    if (w[0] == "centre" || w[0] == "security" || w[0] == "net" || w[0] == "speed") return true;
    if (w[0] != "sms" || w.size() < 2) return false;
    return w[1] == "send" || w[1] == "draft" || w[1] == "delete" || w[1] == "move" ||
           w[1] == "copy" || w[1] == "paste";
}

std::optional<CommandResult> RunOpsCommand(ManagerContext& ctx, const std::vector<std::string>& w,
                                           bool json) {
    if (w.empty()) return std::nullopt;
    if (w[0] == "sms") return RunSmsOps(ctx, w);
    return RunSettingsOps(ctx, w, json);
}

}  // namespace qmx2::manager::ctl

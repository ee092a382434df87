// Reading the words of qmx2ctl's operation commands: positional words and "--name value" pairs.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "manager/ctl/ctl_commands.h"
#include "manager/ctl/terminal_text.h"

namespace qmx2::manager::ctl {

struct OpsWords {
    std::vector<std::string> plain;                         // after the command's own words
    std::multimap<std::string, std::string> named;          // "--to" -> "0401", ...
    std::string Named(const std::string& key) const {
        auto it = named.find(key);
        return it == named.end() ? std::string() : it->second;
    }
    bool Has(const std::string& key) const { return named.count(key) > 0; }
};

// Words from `from` on; every "--x" takes the next word as its value. False (with the reason)
// for an option without a value or one not in `allowed`.
bool SplitOpsWords(const std::vector<std::string>& w, std::size_t from,
                   const std::vector<std::string>& allowed, OpsWords* out, std::string* why);

inline CommandResult OpsBad(const std::string& why) { return {2, why + "\n"}; }
inline CommandResult OpsDone(bool ok, std::string text = {}) { return {ok ? 0 : 1, std::move(text)}; }
bool ParseInt(const std::string& s, int* n);

// The two groups of commands.
std::optional<CommandResult> RunSmsOps(ManagerContext& ctx, const std::vector<std::string>& w);
std::optional<CommandResult> RunCentreOps(ManagerContext& ctx, const std::vector<std::string>& w,
                                          bool json);
std::optional<CommandResult> RunSettingsOps(ManagerContext& ctx, const std::vector<std::string>& w,
                                            bool json);

}  // namespace qmx2::manager::ctl

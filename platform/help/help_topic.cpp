// Finding the help file and anchor for a topic.
#include "platform/help/help_topic.h"

#include <algorithm>
#include <cctype>

namespace qmx2::platform {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '"')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '"' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool PlainName(std::string_view s, std::string_view extra) {
    return !s.empty() && s.size() <= 64 && std::all_of(s.begin(), s.end(), [&](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || extra.find(c) != std::string_view::npos;
           });
}

// The anchor as the page spells it, or empty when the page has none like it.
std::string FindAnchor(const std::string& page, const std::string& anchor) {
    if (page.find("name=\"" + anchor + "\"") != std::string::npos) return anchor;
    const std::string lower_page = Lower(page);
    const size_t at = lower_page.find("name=\"" + Lower(anchor) + "\"");
    return at == std::string::npos ? std::string() : page.substr(at + 6, anchor.size());
}

HelpPlan Contents(const HelpFileReader& read, std::string notice) {
    HelpPlan plan;
    if (read(std::string(kHelpContentsFile))) plan.file = kHelpContentsFile;
    plan.notice = std::move(notice);
    return plan;
}

}  // namespace

HelpPlan PlanHelp(std::string_view command_line, const HelpFileReader& read) {
    const std::string_view line = Trim(command_line);
    if (line.empty()) return Contents(read, "");
    const size_t hash = line.find('#');
    std::string_view file = line.substr(0, hash);
    const std::string_view anchor = hash == std::string_view::npos ? std::string_view() : line.substr(hash + 1);
    const size_t slash = file.find_last_of("\\/");
    if (slash != std::string_view::npos) file.remove_prefix(slash + 1);

    const std::string shown(line.substr(0, std::min<size_t>(line.size(), 80)));
    const std::string missing = "There is no help topic \"" + shown + "\". These are the topics there are:";
    if (!PlainName(file, "._-")) return Contents(read, missing);
    const std::string name = Lower(file);
    const std::optional<std::string> page = read(name);
    if (!page) return Contents(read, missing);

    HelpPlan plan;
    plan.file = name;
    if (anchor.empty()) return plan;
    if (PlainName(anchor, "_-")) plan.anchor = FindAnchor(*page, std::string(anchor));
    if (plan.anchor.empty())
        plan.notice = "This help file has no section \"" + std::string(anchor.substr(0, 64)) +
                      "\"; it is shown from its beginning.";
    return plan;
}

}  // namespace qmx2::platform

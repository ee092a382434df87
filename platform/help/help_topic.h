// What the help viewer shows for a command line such as "qmx21.htp#SHORTMESSAGE": the help
// file, the anchor to scroll to, and a line telling the reader when the topic does not exist
// (the viewer then opens the contents file "qmx2.htc" or the file's beginning, never nothing).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qmx2::platform {

inline constexpr std::string_view kHelpContentsFile = "qmx2.htc";

struct HelpPlan {
    std::string file;    // a help file that exists, or empty when even the contents are missing
    std::string anchor;  // empty: the top of the file
    std::string notice;  // empty when the topic was found
};

// The text of a help file by its name in lower case; nullopt when there is no such file.
using HelpFileReader = std::function<std::optional<std::string>(const std::string& file)>;

// The command line may carry a folder ("\Windows\qmx21.htp#MODEM"), quotes and surrounding
// spaces; file names fold case, anchors are matched exactly first, then ignoring case.
HelpPlan PlanHelp(std::string_view command_line, const HelpFileReader& read);

}  // namespace qmx2::platform

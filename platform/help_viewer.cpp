// Help requests: recorded, or handed to "peghelp.exe".
#include "platform/help_viewer.h"

#include "platform/process.h"
#include "platform/text.h"

namespace qmx2::platform {

namespace {

bool Acceptable(std::string_view topic) {
    return !topic.empty() && topic.size() <= kMaxHelpTopicChars;
}

}  // namespace

bool HelpRequestLog::Show(std::string_view topic) {
    if (!Acceptable(topic)) return false;
    {
        std::lock_guard lock(mu_);
        topics_.emplace_back(topic);
    }
    if (log_) log_("help: " + std::string(topic));
    return true;
}

std::vector<std::string> HelpRequestLog::Topics() const {
    std::lock_guard lock(mu_);
    return topics_;
}

bool ProgramHelpViewer::Show(std::string_view topic) {
    if (!Acceptable(topic)) return false;
    const WideString line = FromUtf8(topic);
    return processes_.Start(kHelpViewerProgram, line);
}

}  // namespace qmx2::platform

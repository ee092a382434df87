// The handheld's help viewer: a program asks for a topic, "qmx21.htp#SHORTMESSAGE" (a help file
// and an anchor) or "qmx2.htc" (the contents), and the viewer "peghelp.exe" opens on it.
//
// Backends: HelpRequestLog (here) records the topics for tests and headless runs;
// ProgramHelpViewer starts "peghelp.exe" through the platform's process start, which finds the
// desktop help viewer peghelp (platform/help/) linked into the root's "\Windows" folder.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qmx2::platform {

class Processes;

inline constexpr std::u16string_view kHelpViewerProgram = u"peghelp.exe";
inline constexpr size_t kMaxHelpTopicChars = 260;

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // false when the viewer cannot be started or the topic is empty or too long.
    virtual bool Show(std::string_view topic) = 0;
};

class HelpRequestLog : public HelpViewer {
public:
    explicit HelpRequestLog(std::function<void(const std::string&)> log = {}) : log_(std::move(log)) {}
    bool Show(std::string_view topic) override;
    std::vector<std::string> Topics() const;

private:
    std::function<void(const std::string&)> log_;
    mutable std::mutex mu_;
    std::vector<std::string> topics_;
};

class ProgramHelpViewer : public HelpViewer {
public:
    explicit ProgramHelpViewer(Processes& processes) : processes_(processes) {}
    bool Show(std::string_view topic) override;

private:
    Processes& processes_;
};

}  // namespace qmx2::platform

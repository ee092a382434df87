// The phone manager's start through the platform's Processes.
#include "commander/program_starter.h"

#include "platform/process.h"

namespace qmx2::commander {
namespace {

class ProcessStarter : public ProgramStarter {
public:
    ProcessStarter(platform::Clock& clock, const std::string& root) : processes_(clock, root) {}
    bool Start(std::string_view path, std::string_view command_line) override {
        return processes_.Start(platform::FromUtf8(path), platform::FromUtf8(command_line));
    }

private:
    platform::Processes processes_;
};

}  // namespace

std::unique_ptr<ProgramStarter> MakeProgramStarter(platform::Clock& clock, const std::string& root) {
    return std::make_unique<ProcessStarter>(clock, root);
}

}  // namespace qmx2::commander

// Starting the phone manager through the platform's process start, kept apart from the window
// headers so that the two can be used from one program.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace qmx2::platform {
class Clock;
}

namespace qmx2::commander {

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // Starts the program and lets go of it; false when it cannot be started.
    virtual bool Start(std::string_view path, std::string_view command_line = {}) = 0;
};

// Programs of the handheld at `root`.
std::unique_ptr<ProgramStarter> MakeProgramStarter(platform::Clock& clock, const std::string& root);

}  // namespace qmx2::commander

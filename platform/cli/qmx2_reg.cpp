// qmx2-reg: looks at and changes the handheld's registry from the host's shell, in the manner of
// the familiar reg tool. Text is UTF-8 on the terminal and 16-bit in the registry.
#include <iostream>
#include <string>
#include <vector>

#include "platform/registry_tool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return qmx2::platform::RunRegistryTool(args, std::cout, std::cerr);
}

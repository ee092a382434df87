// qmx2-at's command line from arbitrary bytes: the input is cut at zero bytes into arguments.
// An accepted line never holds two ports, a time-out out of range or a command that could end
// early; raw escapes decode without reading past the text, and what a reply shows decodes back
// to the reply.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "devices/at_tool/at_tool_options.h"

using namespace qmx2::devices;

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args{"qmx2-at"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());

    AtToolOptions options;
    std::string error;
    if (ParseAtToolOptions(static_cast<int>(argv.size()), argv.data(), &options, &error)) {
        Require(!options.commands.empty());
        Require(options.port.empty() || options.device.empty());
        Require(options.timeout_s >= 1 && options.timeout_s <= 3600);
        if (options.mode != AtToolMode::kRaw)
            for (const std::string& c : options.commands) Require(IsSingleCommand(c));
    } else {
        Require(!error.empty());
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string bytes;
    if (DecodeRawEscapes(text, &bytes, &error)) Require(bytes.size() <= text.size());
    // A literal "^Z" in a reply shows as Ctrl-Z does; every other reply shows unambiguously.
    const std::string shown = ShowEscapes(text);
    if (text.find("^Z") == std::string::npos && text.find("^z") == std::string::npos) {
        Require(DecodeRawEscapes(shown, &bytes, &error) && bytes == text);
    }
    return 0;
}

// A small program that tests start as a handheld program. Its one argument is the command line:
//   "exit N"            ends with exit code N
//   "report"            writes "root=<QMX2_ROOT>\nline=<command line>\nprogram=<QMX2_PROGRAM>\n"
//                       to <root>/report.txt
//   "wait"              waits for a signal
//   (no command line)   ends with exit code 101
//   "reg-write P N"     writes values P0..P(N-1) under Software\Orvan\QMX2, each in its own key
//                       opening, as the programs do; ends with 0 when every write succeeded
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/clock.h"
#include "platform/registry.h"

using namespace qmx2::platform;

namespace {

int WriteValues(const std::string& root, const std::string& prefix, int count) {
    // A virtual clock: a busy database is retried at once instead of sleeping.
    auto clock = MakeVirtualClock();
    RegistryOptions o;
    o.clock = clock.get();
    o.busy_timeout_ms = 24u * 3600u * 1000u;
    std::string error;
    auto reg = OpenRegistry(root, &error, o);
    if (!reg) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    for (int i = 0; i < count; ++i) {
        RegKey key = 0;
        const WideString name = FromUtf8(prefix + std::to_string(i));
        const uint32_t v = static_cast<uint32_t>(i);
        if (reg->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key) != 0 ||
            reg->SetValue(key, name, REG_DWORD, &v, 4) != 0 || reg->CloseKey(key) != 0) {
            std::fprintf(stderr, "write %d failed: %s\n", i, reg->LastFailure().c_str());
            return 3;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 101;
    const char* root = std::getenv("QMX2_ROOT");
    const std::string line = argc > 1 ? argv[1] : "";
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "exit") {
        int code = 0;
        words >> code;
        return code;
    }
    if (verb == "report") {
        std::ofstream(std::string(root ? root : ".") + "/report.txt")
            << "root=" << (root ? root : "") << "\nline=" << line << "\nprogram="
            << (std::getenv("QMX2_PROGRAM") ? std::getenv("QMX2_PROGRAM") : "") << "\n";
        return 0;
    }
    if (verb == "wait") {
        pause();
        return 0;
    }
    if (verb == "reg-write" && root) {
        std::string prefix;
        int count = 0;
        words >> prefix >> count;
        return WriteValues(root, prefix, count);
    }
    std::fprintf(stderr, "unknown command line \"%s\"\n", line.c_str());
    return 100;
}

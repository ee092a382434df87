// Whole qmx2-reg command lines from arbitrary bytes, cut at zero bytes into arguments, against
// one handheld root made for the run: every command ends with 0 or 1, and a refusal always says
// why. Values the fuzzer adds stay in that root; it is removed when the run ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_tool.h"

using namespace qmx2::platform;

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

struct Root {
    std::string path;
    Root() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qmx2-regfuzz-XXXXXX").string();
        Require(mkdtemp(pattern.data()) != nullptr);
        path = pattern;
        std::string error;
        auto reg = OpenRegistry(path, &error);
        Require(reg != nullptr);
        RegKey key = 0;
        Require(reg->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key) == 0);
        const uint32_t port = 3;
        reg->SetValue(key, u"Port", REG_DWORD, &port, sizeof port);
        reg->SetValue(key, u"Name", REG_SZ, u"card", 10);
        reg->SetValue(key, u"Odd", REG_SZ, "abc", 3);
        reg->SetValue(key, u"Blob", REG_BINARY, "\x00\xff\n\"", 4);
        reg->SetValue(key, u"", REG_MULTI_SZ, u"a\0b\0", 10);
        reg->CloseKey(key);
    }
    ~Root() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Root root;
    std::vector<std::string> args{"--root", root.path};
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
    std::ostringstream out, err;
    const int code = RunRegistryTool(args, out, err);
    Require(code == 0 || code == 1);
    if (code == 1) Require(err.str().rfind("ERROR: ", 0) == 0);
    return 0;
}

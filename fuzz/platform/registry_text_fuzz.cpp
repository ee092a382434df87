// qmx2-reg's text handling from arbitrary bytes: key arguments, type names, /d data and the
// way stored values are shown and exported. The first byte picks the value type; the rest is
// the text a person typed, or the bytes a value holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/registry_text.h"
#include "platform/text.h"

using namespace qmx2::platform;

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

void CheckKey(std::string_view text) {
    std::string path, error;
    if (!ParseKeyArgument(text, &path, &error)) {
        Require(!error.empty());
        return;
    }
    // The path is the tail of what was typed, with no empty name anywhere in it.
    Require(path.size() < text.size());
    Require(text.find(path) != std::string_view::npos);
    if (path.empty()) return;
    Require(path.front() != '\\' && path.back() != '\\');
    Require(path.find("\\\\") == std::string::npos);
}

void CheckData(uint32_t type, std::string_view text) {
    std::string bytes, error;
    if (!EncodeData(type, text, &bytes, &error)) {
        Require(!error.empty() && type != REG_SZ);
        return;
    }
    if (type == REG_SZ) {
        Require(bytes.size() % 2 == 0 && bytes.size() >= 2);
        Require(bytes[bytes.size() - 1] == 0 && bytes[bytes.size() - 2] == 0);
        std::string shown = ToUtf8(FromUtf8(text));
        shown.resize(std::min(shown.size(), shown.find('\0')));
        Require(ShowData(type, bytes) == shown);
    } else if (type == REG_DWORD) {
        Require(bytes.size() == 4);
        std::string back;
        Require(EncodeData(type, ShowData(type, bytes), &back, &error) && back == bytes);
    } else {
        Require(bytes.size() * 2 == text.size());
        std::string back;
        Require(EncodeData(type, ShowData(type, bytes), &back, &error) && back == bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static constexpr uint32_t kTypes[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_NONE, 2, REG_MULTI_SZ,
                                          0xFFFFFFFFu};
    const uint32_t type = kTypes[data[0] % std::size(kTypes)];
    auto copy = std::make_unique<char[]>(size - 1);
    if (size > 1) std::memcpy(copy.get(), data + 1, size - 1);
    const std::string_view text(copy.get(), size - 1);

    CheckKey(text);
    uint32_t parsed = 0;
    if (ParseTypeName(text, &parsed)) Require(TypeName(parsed).size() == text.size());
    if (type == REG_SZ || type == REG_DWORD || type == REG_BINARY) CheckData(type, text);

    // Stored bytes of any size and type are shown and exported without a fault.
    (void)ShowData(type, text);
    const std::string_view name = text.substr(0, 8);
    const std::string line = ExportLine(name, type, text);
    Require(line.rfind(name.empty() ? "@=" : "\"", 0) == 0);
    // Each value stays one line of the export unless its own name breaks it.
    if (name.find_first_of("\r\n") == std::string_view::npos)
        Require(line.find_first_of("\r\n") == std::string::npos);
    return 0;
}

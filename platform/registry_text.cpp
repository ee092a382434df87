// Registry data as text.
#include "platform/registry_text.h"

#include <cstdio>

#include "platform/registry.h"
#include "platform/registry_names.h"
#include "platform/text.h"

namespace qmx2::platform {
namespace {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseDword(std::string_view text, uint32_t* value) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) text.remove_prefix(2);
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        const int d = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (d < 0) return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFu) return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

// The text of a string value when its bytes are exactly the text and one terminator. A line
// break would split the export line, so such text is written as hex.
bool PlainText(std::string_view bytes, WideString* text) {
    if (bytes.size() < 2 || bytes.size() % 2) return false;
    *text = UnitsFromBytes(bytes.data(), bytes.size());
    if (text->back() != 0) return false;
    text->pop_back();
    return text->find_first_of(WideView(u"\0\r\n", 3)) == WideString::npos;
}

std::string HexList(std::string_view bytes) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
        out += buf;
    }
    return out;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

bool ParseKeyArgument(std::string_view text, std::string* path, std::string* error) {
    const size_t cut = text.find('\\');
    const std::string root = Upper(text.substr(0, cut));
    if (root != "HKLM" && root != "HKEY_LOCAL_MACHINE") {
        *error = text.empty() ? "Missing the key, such as HKLM\\Software\\Orvan\\QMX2."
                 : root.rfind("HK", 0) == 0
                     ? "Only HKLM (HKEY_LOCAL_MACHINE) is kept on the handheld, not \"" +
                           std::string(text) + "\"."
                     : "Invalid key name \"" + std::string(text) +
                           "\": start it with HKLM\\ or HKEY_LOCAL_MACHINE\\.";
        return false;
    }
    std::string rest(cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1));
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    if (rest.find("\\\\") != std::string::npos || (!rest.empty() && rest.front() == '\\')) {
        *error = "Invalid key name \"" + std::string(text) + "\": a name between \"\\\" is empty.";
        return false;
    }
    *path = rest;
    return true;
}

bool ParseTypeName(std::string_view name, uint32_t* type) {
    const std::string upper = Upper(name);
    if (upper == "REG_SZ") *type = REG_SZ;
    else if (upper == "REG_DWORD") *type = REG_DWORD;
    else if (upper == "REG_BINARY") *type = REG_BINARY;
    else return false;
    return true;
}

std::string TypeName(uint32_t type) {
    switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case 2: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "REG_TYPE_" + std::to_string(type);
    }
}

bool EncodeData(uint32_t type, std::string_view text, std::string* bytes, std::string* error) {
    if (type == REG_SZ) {
        *bytes = UnitsAsBytes(FromUtf8(text), false) + std::string(2, '\0');
        return true;
    }
    if (type == REG_DWORD) {
        uint32_t v = 0;
        if (!ParseDword(text, &v)) {
            *error = "Invalid REG_DWORD data \"" + std::string(text) +
                     "\": give a number from 0 to 4294967295, decimal or 0x hexadecimal.";
            return false;
        }
        bytes->assign({static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)});
        return true;
    }
    bytes->clear();
    bool ok = text.size() % 2 == 0;
    for (size_t i = 0; ok && i < text.size(); i += 2) {
        const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        ok = hi >= 0 && lo >= 0;
        if (ok) bytes->push_back(static_cast<char>(hi * 16 + lo));
    }
    if (!ok) {
        *error = "Invalid REG_BINARY data \"" + std::string(text) +
                 "\": give pairs of hexadecimal digits, such as 00FF10.";
        return false;
    }
    return true;
}

std::string ShowData(uint32_t type, std::string_view bytes) {
    if (type == REG_SZ || type == 2) {
        WideString units = UnitsFromBytes(bytes.data(), bytes.size());
        units = units.substr(0, units.find(u'\0'));
        return ToUtf8(units);
    }
    if (type == REG_MULTI_SZ) {
        WideString units = UnitsFromBytes(bytes.data(), bytes.size());
        while (!units.empty() && units.back() == 0) units.pop_back();
        std::string out;
        for (char16_t c : units) out += c ? ToUtf8(WideString(1, c)) : std::string("\\0");
        return out;
    }
    if (type == REG_DWORD && !bytes.empty() && bytes.size() <= 4) {
        uint32_t v = 0;
        for (size_t i = 0; i < bytes.size(); ++i)
            v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%x", v);
        return buf;
    }
    std::string out;
    char buf[3];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

std::string ExportLine(std::string_view name, uint32_t type, std::string_view bytes) {
    std::string line = name.empty() ? "@=" : Quoted(name) + "=";
    WideString text;
    if (type == REG_SZ && PlainText(bytes, &text)) return line + Quoted(ToUtf8(text));
    if (type == REG_DWORD && bytes.size() == 4) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", v);
        return line + buf;
    }
    if (type == REG_BINARY) return line + "hex:" + HexList(bytes);
    return line + "hex(" + std::to_string(type) + "):" + HexList(bytes);
}

}  // namespace qmx2::platform

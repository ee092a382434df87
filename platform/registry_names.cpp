// Key paths and names of the registry.
#include "platform/registry_names.h"

#include "platform/registry.h"

namespace qmx2::platform {
namespace {

constexpr size_t kMaxDepth = 512;

bool IsValidName(WideView name) {
    return name.size() <= kMaxRegNameChars && name.find(u'\0') == WideView::npos;
}

// Upper case, as the handheld compares names, so that "_x" sorts after "Alpha".
char16_t FoldUnit(char16_t c) {
    if (c >= u'a' && c <= u'z') return c - 0x20;
    if (c < 0xE0) return c;
    if (c <= 0xFE && c != 0xF7) return c - 0x20;  // Latin-1 small letters
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;  // Greek small letters
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // Cyrillic small letters
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

}  // namespace

bool SplitKeyPath(WideView path, std::vector<WideString>* names) {
    names->clear();
    if (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    if (path.empty()) return true;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find(u'\\', start);
        const WideView name = path.substr(start, end == WideView::npos ? WideView::npos : end - start);
        if (name.empty() || !IsValidName(name) || names->size() >= kMaxDepth) return false;
        names->emplace_back(name);
        if (end == WideView::npos) return true;
        start = end + 1;
    }
}

bool IsValidValueName(WideView name) { return IsValidName(name); }

WideString FoldName(WideView name) {
    WideString out(name);
    for (auto& c : out) c = FoldUnit(c);
    return out;
}

std::string UnitsAsBytes(WideView units, bool big_endian) {
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t c : units) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        out.push_back(big_endian ? hi : lo);
        out.push_back(big_endian ? lo : hi);
    }
    return out;
}

WideString UnitsFromBytes(const void* data, size_t size) {
    const auto* b = static_cast<const unsigned char*>(data);
    WideString out(size / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    return out;
}

}  // namespace qmx2::platform

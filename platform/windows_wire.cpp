// Encoding and checked decoding of window-message frames and window entry files.
#include "platform/windows_wire.h"

#include <cstring>

namespace qmx2::platform::wire {
namespace {

inline constexpr uint32_t kEntryMagic = 0x4E455851;  // "QXEN"
inline constexpr uint32_t kEntryVersion = 1;

struct EntryHeader {
    uint32_t magic;
    uint32_t version;
    uint64_t hwnd;
    uint64_t created_ns;
    uint32_t pid;
    uint16_t class_units;
    uint16_t title_units;
    uint16_t socket_bytes;
    uint16_t reserved[3];
};
static_assert(sizeof(EntryHeader) == 40);

void AppendUnits(std::vector<uint8_t>& out, WideView text) {
    for (char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
}

WideString ReadUnits(const uint8_t* p, size_t units) {
    WideString s(units, u'\0');
    for (size_t i = 0; i < units; ++i)
        s[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    return s;
}

template <typename T>
void AppendRaw(std::vector<uint8_t>& out, const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof(T));
}

bool ValidKind(uint16_t kind) {
    return kind >= static_cast<uint16_t>(FrameKind::kSend) &&
           kind <= static_cast<uint16_t>(FrameKind::kReply);
}

// A posted WM_DEVICECHANGE would hand the receiver a pointer of another program as lParam.
bool ForeignPointer(const Frame& f) {
    return f.kind == FrameKind::kPost && f.message == WM_DEVICECHANGE;
}

}  // namespace

std::vector<uint8_t> EncodeFrame(const Frame& f) {
    const size_t units = f.device_name ? f.device_name->size() : 0;
    if (units > kMaxNameUnits || ForeignPointer(f)) return {};
    FrameHeader h{};
    h.magic = kFrameMagic;
    h.version = kFrameVersion;
    h.kind = static_cast<uint16_t>(f.kind);
    h.length = static_cast<uint32_t>(sizeof(FrameHeader) + units * 2);
    h.message = f.message;
    h.id = f.id;
    h.hwnd = f.hwnd;
    h.wparam = f.wparam;
    h.lparam = f.lparam;
    h.error = f.error;
    h.name_units = static_cast<uint16_t>(units);
    std::vector<uint8_t> out;
    out.reserve(h.length);
    AppendRaw(out, h);
    if (f.device_name) AppendUnits(out, *f.device_name);
    return out;
}

std::optional<Frame> DecodeFrame(const uint8_t* data, size_t size) {
    FrameHeader h;
    if (size < sizeof h || size > kMaxFrameBytes) return std::nullopt;
    std::memcpy(&h, data, sizeof h);
    if (h.magic != kFrameMagic || h.version != kFrameVersion || !ValidKind(h.kind)) {
        return std::nullopt;
    }
    if (h.length != size || h.name_units > kMaxNameUnits ||
        size != sizeof h + static_cast<size_t>(h.name_units) * 2) {
        return std::nullopt;
    }
    Frame f;
    f.kind = static_cast<FrameKind>(h.kind);
    f.message = h.message;
    f.id = h.id;
    f.hwnd = h.hwnd;
    f.wparam = h.wparam;
    f.lparam = static_cast<LPARAM>(h.lparam);
    f.error = h.error;
    if (ForeignPointer(f)) return std::nullopt;
    const bool device_send = f.kind == FrameKind::kSend && f.message == WM_DEVICECHANGE;
    if (h.name_units > 0 && !device_send) return std::nullopt;
    if (device_send) {
        WideString name = ReadUnits(data + sizeof h, h.name_units);
        if (name.find(u'\0') != WideString::npos) return std::nullopt;
        f.device_name = std::move(name);
    }
    return f;
}

std::vector<uint8_t> EncodeEntry(const WindowEntry& e) {
    if (e.window_class.size() > kMaxEntryTextUnits || e.title.size() > kMaxEntryTextUnits ||
        e.socket_name.empty() || e.socket_name.size() > kMaxSocketName) {
        return {};
    }
    EntryHeader h{};
    h.magic = kEntryMagic;
    h.version = kEntryVersion;
    h.hwnd = e.hwnd;
    h.created_ns = e.created_ns;
    h.pid = e.pid;
    h.class_units = static_cast<uint16_t>(e.window_class.size());
    h.title_units = static_cast<uint16_t>(e.title.size());
    h.socket_bytes = static_cast<uint16_t>(e.socket_name.size());
    std::vector<uint8_t> out;
    AppendRaw(out, h);
    AppendUnits(out, e.window_class);
    AppendUnits(out, e.title);
    out.insert(out.end(), e.socket_name.begin(), e.socket_name.end());
    return out;
}

std::optional<WindowEntry> DecodeEntry(const uint8_t* data, size_t size) {
    EntryHeader h;
    if (size < sizeof h) return std::nullopt;
    std::memcpy(&h, data, sizeof h);
    if (h.magic != kEntryMagic || h.version != kEntryVersion || h.hwnd == 0) return std::nullopt;
    if (h.class_units > kMaxEntryTextUnits || h.title_units > kMaxEntryTextUnits ||
        h.socket_bytes == 0 || h.socket_bytes > kMaxSocketName) {
        return std::nullopt;
    }
    const size_t expected = sizeof h + (size_t{h.class_units} + h.title_units) * 2 + h.socket_bytes;
    if (size != expected) return std::nullopt;
    WindowEntry e;
    e.hwnd = h.hwnd;
    e.created_ns = h.created_ns;
    e.pid = h.pid;
    const uint8_t* p = data + sizeof h;
    e.window_class = ReadUnits(p, h.class_units);
    p += size_t{h.class_units} * 2;
    e.title = ReadUnits(p, h.title_units);
    p += size_t{h.title_units} * 2;
    e.socket_name.assign(reinterpret_cast<const char*>(p), h.socket_bytes);
    // The name becomes a path: only the characters this code itself writes are accepted.
    for (char c : e.socket_name) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '.' || c == '-';
        if (!ok) return std::nullopt;
    }
    if (e.socket_name.find("..") != std::string::npos) return std::nullopt;
    return e;
}

}  // namespace qmx2::platform::wire

// What travels between programs for window messages: one frame per SOCK_SEQPACKET packet, and
// the small entry file that publishes a window under <root>/run/windows/. Both are fixed
// little-endian layouts checked field by field on the way in: anything that does not add up is
// refused, never trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/windows.h"

namespace qmx2::platform::wire {

inline constexpr uint32_t kFrameMagic = 0x574D5851;  // "QXMW"
inline constexpr uint16_t kFrameVersion = 1;

enum class FrameKind : uint16_t { kSend = 1, kPost = 2, kReply = 3 };

// Fixed part of every frame; a device-change send carries name_units UTF-16 units after it.
struct FrameHeader {
    uint32_t magic;
    uint16_t version;
    uint16_t kind;
    uint32_t length;  // whole frame in bytes, header included
    uint32_t message;
    uint64_t id;      // pairs a reply with its send
    uint64_t hwnd;
    uint64_t wparam;
    int64_t lparam;   // the result in a reply
    uint32_t error;   // the receiver's last error in a reply
    uint16_t name_units;
    uint16_t reserved;
};
static_assert(sizeof(FrameHeader) == 56);
static_assert(offsetof(FrameHeader, id) == 16);
static_assert(offsetof(FrameHeader, lparam) == 40);
static_assert(offsetof(FrameHeader, name_units) == 52);

inline constexpr size_t kMaxNameUnits = kDeviceNameUnits - 1;
inline constexpr size_t kMaxFrameBytes = sizeof(FrameHeader) + kMaxNameUnits * 2;

struct Frame {
    FrameKind kind = FrameKind::kPost;
    uint32_t message = 0;
    uint64_t id = 0;
    HWND hwnd = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    uint32_t error = 0;
    // Only a WM_DEVICECHANGE send has one.
    std::optional<WideString> device_name;
};

// Frames that Decode would refuse are never produced: an over-long name gives an empty vector.
std::vector<uint8_t> EncodeFrame(const Frame& frame);
// Refuses a wrong magic or version, an unknown kind, a length that is not the packet's size, a
// name on anything but a WM_DEVICECHANGE send, a name that is too long or has a zero unit, and
// a posted WM_DEVICECHANGE (its lParam could only be a pointer of another program).
std::optional<Frame> DecodeFrame(const uint8_t* data, size_t size);

// A published window: who it is and which program socket reaches it.
struct WindowEntry {
    HWND hwnd = 0;
    uint64_t created_ns = 0;  // orders FindWindow's candidates: the oldest window wins
    uint32_t pid = 0;         // for people reading run/; liveness is the socket's, not the pid's
    WideString window_class;
    WideString title;
    std::string socket_name;  // file name inside run/windows/
};

inline constexpr size_t kMaxEntryTextUnits = 260;
inline constexpr size_t kMaxSocketName = 64;

std::vector<uint8_t> EncodeEntry(const WindowEntry& entry);
std::optional<WindowEntry> DecodeEntry(const uint8_t* data, size_t size);

}  // namespace qmx2::platform::wire

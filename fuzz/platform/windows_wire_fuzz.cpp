// Window-message frames and window entry files from arbitrary bytes: nothing is read outside
// the input, and whatever is accepted encodes back to the very same bytes, except the reserved
// header fields, which the decoder ignores and the encoder writes as zero.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/windows_wire.h"

using namespace qmx2::platform;
using namespace qmx2::platform::wire;

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

// The input with the reserved bytes cleared, as the encoder would write them.
std::vector<uint8_t> WithoutReserved(const uint8_t* data, size_t size, size_t from, size_t count) {
    std::vector<uint8_t> v(data, data + size);
    for (size_t i = from; i < from + count && i < size; ++i) v[i] = 0;
    return v;
}

void CheckFrame(const uint8_t* data, size_t size) {
    const auto frame = DecodeFrame(data, size);
    if (!frame) return;
    Require(size >= sizeof(FrameHeader) && size <= kMaxFrameBytes);
    if (frame->device_name) {
        Require(frame->kind == FrameKind::kSend && frame->message == WM_DEVICECHANGE);
        Require(frame->device_name->size() <= kMaxNameUnits);
    }
    const std::vector<uint8_t> again = EncodeFrame(*frame);
    Require(again == WithoutReserved(data, size, offsetof(FrameHeader, reserved), 2));
    const auto twice = DecodeFrame(again.data(), again.size());
    Require(twice && twice->id == frame->id && twice->lparam == frame->lparam &&
            twice->device_name == frame->device_name);
}

void CheckEntry(const uint8_t* data, size_t size) {
    const auto entry = DecodeEntry(data, size);
    if (!entry) return;
    Require(entry->hwnd != 0 && !entry->socket_name.empty());
    Require(entry->socket_name.size() <= kMaxSocketName);
    Require(entry->socket_name.find('/') == std::string::npos);
    Require(entry->socket_name.find("..") == std::string::npos);
    Require(entry->window_class.size() <= kMaxEntryTextUnits &&
            entry->title.size() <= kMaxEntryTextUnits);
    // Header: magic, version, hwnd, created, pid, three sizes, then three reserved units.
    const std::vector<uint8_t> again = EncodeEntry(*entry);
    Require(again == WithoutReserved(data, size, 34, 6));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exact-size heap copies, so that any read past the end is caught.
    auto copy = std::make_unique<uint8_t[]>(size);
    if (size) std::memcpy(copy.get(), data, size);
    CheckFrame(copy.get(), size);
    CheckEntry(copy.get(), size);
    return 0;
}

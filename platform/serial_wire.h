// The small binary protocol between programs and the device host on "<root>/run/device.sock".
//
// Every message is a frame: a 32-bit little-endian payload length, then the payload. A request
// payload starts with one operation byte; an answer carries the call's result, the last error
// the call left and the bytes it returned. Every field is length-checked on the way in, so a
// peer that sends garbage gets its connection closed, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"

namespace qmx2::platform {

inline constexpr uint32_t kWireMaxPayload = 1u << 17;
// Reads and device-control buffers larger than this are cut (reads) or refused (buffers).
inline constexpr uint32_t kWireMaxData = 1u << 16;
inline constexpr uint32_t kWireMaxName = 260;

enum class WireOp : uint8_t {
    kQuery = 1,     // name -> value 1 when the host serves the name
    kOpen = 2,      // access, share, name -> value: context token, or 0
    kAttach = 3,    // token -> value 1 when this connection now speaks for that context
    kClose = 4,     // -> value 1 or 0
    kRead = 5,      // length, flags -> value: count or -1; data: the bytes (see kWireReadAhead)
    kWrite = 6,     // data -> value: count or -1
    kIoControl = 7, // code, flags, out length, in data -> value 1/0; returned; data: out buffer
};

// Which of the caller's pointers of a device-control request were present.
inline constexpr uint8_t kWireHasIn = 1, kWireHasOut = 2, kWireHasReturned = 4;
// A read's flag: after `value` bytes the answer's data may carry what else the port already
// held, which the program keeps for its next reads. A program reading a reply byte by byte
// then needs one exchange per burst instead of one per byte, so a program slowed down by a
// busy machine still keeps up with the line.
inline constexpr uint8_t kWireReadAhead = 8;

struct WireRequest {
    WireOp op = WireOp::kQuery;
    WideString name;
    uint32_t access = 0;
    uint32_t share = 0;
    uint64_t token = 0;
    uint32_t length = 0;  // read length, or device-control output length
    uint32_t code = 0;
    uint8_t flags = 0;
    std::vector<uint8_t> data;  // write bytes, or device-control input
};

struct WireAnswer {
    int64_t value = 0;
    uint32_t error = 0;
    uint32_t returned = 0;
    std::vector<uint8_t> data;
};

std::vector<uint8_t> EncodeRequest(const WireRequest& r);
bool DecodeRequest(const uint8_t* p, size_t n, WireRequest* r);
std::vector<uint8_t> EncodeAnswer(const WireAnswer& a);
bool DecodeAnswer(const uint8_t* p, size_t n, WireAnswer* a);

// Whole-frame socket I/O on a blocking descriptor. False on a closed or failed socket, or on a
// frame longer than kWireMaxPayload.
bool SendFrame(int fd, const std::vector<uint8_t>& payload);
bool ReceiveFrame(int fd, std::vector<uint8_t>* payload);

// "<root>/run/device.sock".
std::string DeviceSocketPath(const std::string& root);

}  // namespace qmx2::platform

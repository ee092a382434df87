// The device host's request and answer payloads from arbitrary bytes: nothing is read outside
// the input, sizes stay within the protocol's limits and the input, and an accepted payload
// encodes back to exactly the same bytes (the format has one encoding per message). The same
// bytes as a socket stream are cut into frames that never claim more than arrived.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#include "platform/serial_wire.h"

using namespace qmx2::platform;

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

// The input as what a peer sent before closing: frames come out until the bytes run short.
void CheckStream(const uint8_t* data, size_t size) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    Require(write(fds[0], data, size) == static_cast<ssize_t>(size));
    shutdown(fds[0], SHUT_WR);
    size_t taken = 0;
    std::vector<uint8_t> payload;
    while (ReceiveFrame(fds[1], &payload)) {
        Require(payload.size() <= kWireMaxPayload);
        taken += 4 + payload.size();
        Require(taken <= size);
        Require(std::equal(payload.begin(), payload.end(), data + taken - payload.size()));
    }
    close(fds[0]);
    close(fds[1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto copy = std::make_unique<uint8_t[]>(size);
    if (size) std::memcpy(copy.get(), data, size);
    const std::vector<uint8_t> input(copy.get(), copy.get() + size);

    WireRequest request;
    if (DecodeRequest(copy.get(), size, &request)) {
        Require(request.data.size() <= kWireMaxData && request.data.size() <= size);
        Require(request.name.size() <= kWireMaxName && request.name.size() * 2 <= size);
        Require(request.length <= kWireMaxData);
        Require(EncodeRequest(request) == input);
    }
    WireAnswer answer;
    if (DecodeAnswer(copy.get(), size, &answer)) {
        Require(answer.data.size() <= kWireMaxData && answer.data.size() <= size);
        Require(EncodeAnswer(answer) == input);
    }
    CheckStream(copy.get(), size);
    return 0;
}

// The device host's request and answer payloads from arbitrary bytes: nothing is read outside
// the input, sizes stay within the protocol's limits and the input, and an accepted payload
// encodes back to exactly the same bytes (the format has one encoding per message).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/serial_wire.h"

using namespace qmx2::platform;

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
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
    return 0;
}

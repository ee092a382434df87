// A port between a program and the emulated card that counts the bytes crossing it either way,
// for benchmarks that compare a command's time with the line time of what it moved.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/stream_driver.h"

namespace qmx2::bench {

class CountingPort : public qmx2::platform::StreamDriver {
public:
    explicit CountingPort(qmx2::platform::StreamDriver& inner) : inner_(inner) {}
    uintptr_t Open(uint32_t a, uint32_t s) override { return inner_.Open(a, s); }
    bool Close(uintptr_t c) override { return inner_.Close(c); }
    int32_t Read(uintptr_t c, void* b, uint32_t n) override {
        const int32_t r = inner_.Read(c, b, n);
        if (r > 0) bytes += static_cast<uint64_t>(r);
        return r;
    }
    int32_t Write(uintptr_t c, const void* b, uint32_t n) override {
        const int32_t r = inner_.Write(c, b, n);
        if (r > 0) bytes += static_cast<uint64_t>(r);
        return r;
    }
    bool IoControl(uintptr_t c, uint32_t code, const void* in, uint32_t il, void* out, uint32_t ol,
                   uint32_t* ret) override {
        return inner_.IoControl(c, code, in, il, out, ol, ret);
    }
    std::atomic<uint64_t> bytes{0};

private:
    qmx2::platform::StreamDriver& inner_;
};

}  // namespace qmx2::bench

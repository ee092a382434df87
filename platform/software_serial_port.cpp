// The software serial port: open contexts, the receive buffer, reads, writes and event waits.
#include "platform/software_serial_port.h"

#include <algorithm>
#include <cstring>

#include "platform/last_error.h"

namespace qmx2::platform {

namespace {

uint32_t Saturate(uint64_t v) { return v >= MAXDWORD ? MAXDWORD - 1 : static_cast<uint32_t>(v); }

}  // namespace

SoftwareSerialPort::SoftwareSerialPort(Clock& clock, SoftwarePortOptions options)
    : clock_(clock), options_(std::move(options)) {
    ring_.assign(ReceiveRingSize(options_.receive_buffer_size, 1u << 24), 0);
    dcb_ = DefaultLineSettings();
    timeouts_ = kDefaultTimeouts;
}

SoftwareSerialPort::~SoftwareSerialPort() = default;

std::shared_ptr<SoftwareSerialPort::Context> SoftwareSerialPort::Find(uintptr_t handle) {
    std::shared_ptr<Context> c;
    clock_.Update([&] {
        auto it = contexts_.find(handle);
        if (it != contexts_.end()) c = it->second;
    });
    return c;
}

uintptr_t SoftwareSerialPort::Open(uint32_t access, uint32_t share) {
    auto c = std::make_shared<Context>();
    c->access = access;
    c->share = share;
    uint32_t error = 0;
    bool first = false;
    uintptr_t handle = 0;
    const bool powered = !WantsAccess(access) || LinePowered();
    clock_.Update([&] {
        error = line_lost_ ? lost_open_error_ : OpenRefusal(access, holder_ != nullptr, powered);
        if (error) return;
        if (WantsAccess(access)) holder_ = c.get();
        first = contexts_.empty();
        handle = next_handle_++;
        contexts_[handle] = c;
        if (first) {
            dcb_ = DefaultLineSettings();
            read_ = write_ = 0;
            errors_ = 0;
        }
    });
    if (error) {
        SetLastError(error);
        return 0;
    }
    if (first) {
        DCB d;
        clock_.Update([&] { d = dcb_; });
        ApplyLineSettings(d, false);
        if (!LineOpen()) {
            clock_.Update([&] {
                contexts_.erase(handle);
                if (holder_ == c.get()) holder_ = nullptr;
            });
            SetLastError(ERROR_OPEN_FAILED);
            return 0;
        }
        LinePurge(PURGE_RXCLEAR);
        clock_.Update([&] { read_ = write_ = 0; });
    }
    return handle;
}

bool SoftwareSerialPort::Close(uintptr_t handle) {
    bool found = false, last = false, writing = false;
    clock_.Update([&] {
        auto it = contexts_.find(handle);
        if (it == contexts_.end()) return;
        found = true;
        Context* c = it->second.get();
        c->closed = true;
        writing = writer_ == c;
        if (holder_ == c) holder_ = nullptr;
        contexts_.erase(it);
        last = contexts_.empty();
    });
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (writing) LineAbortTransmit();
    if (last) LineClose();
    return true;
}

void SoftwareSerialPort::CloseAll() {
    std::vector<uintptr_t> handles;
    clock_.Update([&] {
        for (auto& [h, c] : contexts_) handles.push_back(h);
    });
    for (uintptr_t h : handles) Close(h);
}

int SoftwareSerialPort::OpenCount() {
    int n = 0;
    clock_.Update([&] { n = static_cast<int>(contexts_.size()); });
    return n;
}

bool SoftwareSerialPort::WaitForReader(uint32_t timeout_ms) {
    return clock_.WaitFor([&] { return reader_waiting_; }, timeout_ms);
}

bool SoftwareSerialPort::WaitUntilClosed(uint32_t timeout_ms) {
    return clock_.WaitFor([&] { return contexts_.empty(); }, timeout_ms);
}

bool SoftwareSerialPort::CheckAccess(const Context& c, uint32_t needed) {
    if (c.access & needed) return true;
    SetLastError(ERROR_INVALID_ACCESS);
    return false;
}

void SoftwareSerialPort::Claim(bool& flag) {
    for (;;) {
        clock_.WaitFor([&] { return !flag; }, kInfinite);
        bool got = false;
        clock_.Update([&] {
            if (!flag) flag = got = true;
        });
        if (got) return;
    }
}

uint32_t SoftwareSerialPort::Available() const {
    return (write_ - read_) & static_cast<uint32_t>(ring_.size() - 1);
}

uint32_t SoftwareSerialPort::TakeBytes(uint8_t* dst, uint32_t max) {
    uint32_t n = 0;
    const uint32_t mask = static_cast<uint32_t>(ring_.size() - 1);
    while (n < max && read_ != write_) {
        const uint32_t piece = std::min({max - n, Available(),
                                         static_cast<uint32_t>(ring_.size()) - read_});
        std::memcpy(dst + n, ring_.data() + read_, piece);
        read_ = (read_ + piece) & mask;
        n += piece;
    }
    return n;
}

void SoftwareSerialPort::DeliverReceived(const uint8_t* data, size_t length) {
    if (length == 0) return;
    clock_.Update([&] {
        const uint32_t mask = static_cast<uint32_t>(ring_.size() - 1);
        for (size_t i = 0; i < length; ++i) {
            if (((write_ + 1) & mask) == read_) {
                errors_ |= CE_RXOVER;
                break;
            }
            ring_[write_] = data[i];
            write_ = (write_ + 1) & mask;
        }
    });
    Notify(EV_RXCHAR);
}

void SoftwareSerialPort::LineLost(uint32_t error, uint32_t open_error) {
    clock_.Update([&] {
        line_lost_ = true;
        lost_error_ = error;
        lost_open_error_ = open_error;
    });
}

void SoftwareSerialPort::LineBack() {
    bool had_contexts = false;
    clock_.Update([&] {
        line_lost_ = false;
        for (auto& [h, c] : contexts_) c->closed = true;
        had_contexts = !contexts_.empty();
        contexts_.clear();
        holder_ = nullptr;
        read_ = write_;
    });
    if (had_contexts) LineClose();
}

void SoftwareSerialPort::LineChanged() {
    clock_.Update([&] { line_generation_.fetch_add(1); });
}

void SoftwareSerialPort::DropReceived() {
    clock_.Update([&] { read_ = write_; });
}

bool SoftwareSerialPort::IsLineLost() {
    bool lost = false;
    clock_.Update([&] { lost = line_lost_; });
    return lost;
}

bool SoftwareSerialPort::WaitLineLost(uint32_t timeout_ms) {
    return clock_.WaitFor([&] { return line_lost_; }, timeout_ms);
}

int32_t SoftwareSerialPort::Read(uintptr_t handle, void* buffer, uint32_t length) {
    auto c = Find(handle);
    if (!c) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!CheckAccess(*c, GENERIC_READ)) return -1;
    if (length > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Claim(reading_);
    COMMTIMEOUTS t;
    clock_.Update([&] { t = timeouts_; });
    ReadTimer timer(t, length);
    uint8_t* dst = static_cast<uint8_t*>(buffer);
    uint32_t K = 0;
    uint32_t error = 0;
    while (K < length) {
        bool closed = false, lost = false;
        uint32_t got = 0;
        LinePoll();
        clock_.Update([&] {
            got = TakeBytes(dst + K, length - K);
            closed = c->closed;
            lost = line_lost_ && Available() == 0;
            if (lost) error = lost_error_;
        });
        K += got;
        if (got > 0) continue;
        if (closed) {
            error = ERROR_INVALID_HANDLE;
            break;
        }
        if (lost) break;
        uint32_t W = 0;
        if (!timer.NextWait(K, &W)) break;
        uint64_t abort_generation = 0;
        clock_.Update([&] {
            abort_generation = rx_abort_generation_;
            reader_waiting_ = true;
        });
        const uint64_t start = clock_.TickMs();
        const WaitEnd end = WaitForBytes(*c, W, abort_generation);
        timer.Waited(clock_.TickMs() - start);
        clock_.Update([&] { reader_waiting_ = false; });
        if (end != WaitEnd::kReady) break;
    }
    clock_.Update([&] { reading_ = false; });
    if (error == ERROR_INVALID_HANDLE || (error && K == 0)) {
        SetLastError(error);
        return error == ERROR_INVALID_HANDLE ? static_cast<int32_t>(K) : -1;
    }
    return static_cast<int32_t>(K);
}

// Waits for bytes, the end of the handle or the line, an abort, or the time-out; bytes of a
// polled line are fetched as they become due.
SoftwareSerialPort::WaitEnd SoftwareSerialPort::WaitForBytes(const Context& c, uint32_t timeout_ms,
                                                             uint64_t abort_generation) {
    const uint64_t start = clock_.TickMs();
    const uint64_t deadline = timeout_ms == kInfinite ? UINT64_MAX : start + timeout_ms;
    auto ready = [&] { return read_ != write_ || c.closed || line_lost_; };
    for (;;) {
        LinePoll();
        bool is_ready = false, aborted = false;
        uint64_t generation = 0;
        clock_.Update([&] {
            is_ready = ready();
            aborted = rx_abort_generation_ != abort_generation;
            generation = line_generation_.load();
        });
        if (aborted) return WaitEnd::kAborted;
        if (is_ready) return WaitEnd::kReady;
        const uint64_t now = clock_.TickMs();
        if (now >= deadline) return WaitEnd::kTimedOut;
        const uint64_t until = std::min(deadline, LineNextArrivalMs());
        clock_.WaitFor(
            [&] {
                return ready() || rx_abort_generation_ != abort_generation ||
                       line_generation_.load() != generation;
            },
            until == UINT64_MAX ? kInfinite : Saturate(until > now ? until - now : 0));
    }
}

int32_t SoftwareSerialPort::Write(uintptr_t handle, const void* buffer, uint32_t length) {
    auto c = Find(handle);
    if (!c) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!CheckAccess(*c, GENERIC_WRITE)) return -1;
    if (length > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Claim(writing_);
    COMMTIMEOUTS t;
    bool lost = false;
    uint32_t lost_error = 0;
    clock_.Update([&] {
        writer_ = c.get();
        t = timeouts_;
        lost = line_lost_;
        lost_error = lost_error_;
    });
    const uint32_t total = WriteTotalTimeoutMs(t, length);
    int32_t n = 0;
    if (lost) {
        SetLastError(lost_error);
        n = -1;
    } else if (length > 0) {
        n = LineTransmit(static_cast<const uint8_t*>(buffer), length,
                         total == 0 ? kInfinite : total);
    }
    clock_.Update([&] {
        writing_ = false;
        writer_ = nullptr;
    });
    Notify(EV_TXEMPTY);
    return n;
}

void SoftwareSerialPort::Notify(uint32_t events) {
    clock_.Update([&] {
        for (auto& [h, c] : contexts_) c->events.Fire(events);
    });
}

bool SoftwareSerialPort::WaitEvents(const std::shared_ptr<Context>& c, uint32_t* events) {
    uint64_t generation = 0;
    uint32_t mask = 0;
    clock_.Update([&] {
        generation = c->events.generation;
        mask = c->events.mask;
    });
    if (mask == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    auto done = [&] { return c->events.WaitOver(generation) || c->closed || line_lost_; };
    for (;;) {
        LinePoll();
        bool is_done = false;
        uint64_t line_generation = 0;
        clock_.Update([&] {
            is_done = done();
            line_generation = line_generation_.load();
        });
        if (is_done) break;
        const uint64_t now = clock_.TickMs();
        const uint64_t arrival = LineNextArrivalMs();
        clock_.WaitFor([&] { return done() || line_generation_.load() != line_generation; },
                       arrival == kNoArrival ? kInfinite
                                             : Saturate(arrival > now ? arrival - now : 0));
    }
    bool port_open = false, lost = false;
    uint32_t lost_error = 0;
    clock_.Update([&] {
        *events = c->closed || line_lost_ ? 0 : c->events.Take(generation);
        port_open = !contexts_.empty();
        lost = line_lost_;
        lost_error = lost_error_;
    });
    if (lost) {
        SetLastError(lost_error);
        return false;
    }
    if (!port_open) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return true;
}

}  // namespace qmx2::platform

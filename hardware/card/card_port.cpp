// The emulated card as a serial port: opens, paced reads and writes, time-outs, events.
#include "hardware/card/card_port.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/last_error.h"

namespace qmx2::hardware::card {

using namespace qmx2::platform;


namespace {

bool HasAccess(uint32_t access) { return (access & (GENERIC_READ | GENERIC_WRITE)) != 0; }

uint32_t Clamp(uint64_t ms) { return ms >= kInfinite ? kInfinite - 1 : static_cast<uint32_t>(ms); }

}  // namespace

CardPort::CardPort(Clock& clock, CardScenario scenario, CardPortOptions options)
    : clock_(clock), options_(options), phone_(clock, std::move(scenario)) {
    powered_ = options.powered_at_start;
    phone_.SetPowered(powered_);
    ResetLineSettings();
}

CardPort::~CardPort() = default;

void CardPort::ResetLineSettings() {
    dcb_ = DCB{};
    dcb_.DCBlength = sizeof(DCB);
    dcb_.BaudRate = 9600;
    dcb_.fBinary = 1;
    dcb_.fDtrControl = DTR_CONTROL_ENABLE;
    dcb_.fRtsControl = RTS_CONTROL_ENABLE;
    dcb_.XonLim = 512;
    dcb_.XoffLim = 128;
    dcb_.ByteSize = 8;
    dcb_.XonChar = 0x11;
    dcb_.XoffChar = 0x13;
    dcb_.ErrorChar = dcb_.EofChar = dcb_.EvtChar = 0x0D;
    timeouts_ = COMMTIMEOUTS{};
    pacer_.SetBaud(options_.paced ? dcb_.BaudRate : 0);
}

void CardPort::Wake() {
    clock_.Update([this] { generation_.fetch_add(1); });
}

uint64_t CardPort::NowUs() { return clock_.TickMs() * 1000; }

void CardPort::Fire(uint32_t events) {
    for (auto& [h, c] : contexts_) {
        if (c->mask & events) c->fired |= events;
    }
}

void CardPort::Pump(uint64_t now_us) {
    uint8_t buf[256];
    bool any = false;
    for (;;) {
        const size_t n = pacer_.Take(phone_, now_us, buf);
        if (n == 0) break;
        any = true;
        for (size_t i = 0; i < n; ++i) {
            if (received_.size() >= options_.receive_buffer) {
                errors_ |= CE_RXOVER;
                continue;
            }
            received_.push_back(buf[i]);
        }
    }
    if (any) Fire(EV_RXCHAR);
}

uint64_t CardPort::NextArrivalMs() {
    const auto us = pacer_.NextArrivalUs(phone_);
    if (!us) return UINT64_MAX;
    return (*us + 999) / 1000;
}

CardPort::Context* CardPort::Find(uintptr_t handle) {
    auto it = contexts_.find(handle);
    return it == contexts_.end() || it->second->closed ? nullptr : it->second.get();
}

uintptr_t CardPort::Open(uint32_t access, uint32_t share) {
    std::lock_guard lk(mu_);
    if (!inserted_) {
        SetLastError(ERROR_DEVICE_REMOVED);
        return 0;
    }
    if (HasAccess(access) && (!powered_ || access_holder_ != 0)) {
        SetLastError(ERROR_INVALID_ACCESS);
        return 0;
    }
    if (contexts_.empty()) {
        // Every first open starts the line afresh, as the driver does.
        ResetLineSettings();
        received_.clear();
        errors_ = 0;
    }
    const uintptr_t h = next_handle_++;
    auto c = std::make_unique<Context>();
    c->access = access;
    c->share = share;
    contexts_[h] = std::move(c);
    if (HasAccess(access)) access_holder_ = h;
    return h;
}

bool CardPort::Close(uintptr_t handle) {
    {
        std::lock_guard lk(mu_);
        Context* c = Find(handle);
        if (!c) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        c->closed = true;
        if (access_holder_ == handle) access_holder_ = 0;
        if (c->users == 0) contexts_.erase(handle);
    }
    Wake();
    return true;
}

int32_t CardPort::Read(uintptr_t handle, void* buffer, uint32_t length) {
    std::unique_lock lk(mu_);
    Context* c = Find(handle);
    if (!c || !inserted_) {
        SetLastError(c ? ERROR_DEVICE_REMOVED : ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!(c->access & GENERIC_READ)) {
        SetLastError(ERROR_INVALID_ACCESS);
        return -1;
    }
    ++c->users;
    const COMMTIMEOUTS t = timeouts_;
    const uint64_t total = t.ReadTotalTimeoutMultiplier == MAXDWORD
                               ? t.ReadTotalTimeoutConstant
                               : uint64_t{t.ReadTotalTimeoutMultiplier} * length + t.ReadTotalTimeoutConstant;
    const uint32_t interval = t.ReadIntervalTimeout;
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t copied = 0;
    uint64_t elapsed = 0;
    bool failed = false;
    while (copied < length) {
        Pump(NowUs());
        if (!received_.empty()) {
            while (copied < length && !received_.empty()) {
                out[copied++] = received_.front();
                received_.pop_front();
            }
            continue;
        }
        if (interval == MAXDWORD && total == 0) break;
        uint64_t wait = UINT64_MAX;
        if (total != 0) {
            if (elapsed >= total) break;
            wait = total - elapsed;
            if (copied > 0 && interval != 0 && interval <= wait) wait = interval;
            if (t.ReadTotalTimeoutMultiplier == MAXDWORD && interval == MAXDWORD && copied > 0) break;
        } else if (interval != 0 && copied > 0) {
            wait = interval;
        }
        // Wait for a byte, the end of the wait, or a change; bytes arrive on the clock.
        c->read_aborted = false;
        const uint64_t start = clock_.TickMs();
        bool timed_out = true;
        while (true) {
            const uint64_t now = clock_.TickMs();
            const uint64_t deadline = wait == UINT64_MAX ? UINT64_MAX : start + wait;
            if (now >= deadline) break;
            const uint64_t arrival = NextArrivalMs();
            if (arrival <= now) {
                Pump(NowUs());
                if (!received_.empty()) {
                    timed_out = false;
                    break;
                }
            }
            const uint64_t until = std::min(deadline, arrival);
            const uint64_t gen = generation_.load();
            lk.unlock();
            clock_.WaitFor([&] { return generation_.load() != gen; },
                           until == UINT64_MAX ? kInfinite : Clamp(until > now ? until - now : 0));
            lk.lock();
            if (c->closed || c->read_aborted || !inserted_) {
                timed_out = false;
                break;
            }
        }
        elapsed += clock_.TickMs() - start;
        if (c->closed || !inserted_) {
            SetLastError(c->closed ? ERROR_INVALID_HANDLE : ERROR_DEVICE_REMOVED);
            failed = !inserted_;
            break;
        }
        if (c->read_aborted || timed_out) break;
    }
    --c->users;
    if (c->closed && c->users == 0) contexts_.erase(handle);
    return failed ? -1 : static_cast<int32_t>(copied);
}

int32_t CardPort::Write(uintptr_t handle, const void* buffer, uint32_t length) {
    std::unique_lock lk(mu_);
    Context* c = Find(handle);
    if (!c || !inserted_) {
        SetLastError(c ? ERROR_DEVICE_REMOVED : ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!(c->access & GENERIC_WRITE)) {
        SetLastError(ERROR_INVALID_ACCESS);
        return -1;
    }
    ++c->users;
    c->write_aborted = false;
    const uint64_t total = uint64_t{timeouts_.WriteTotalTimeoutMultiplier} * length +
                           timeouts_.WriteTotalTimeoutConstant;
    const auto* in = static_cast<const uint8_t*>(buffer);
    const uint64_t start_ms = clock_.TickMs();
    const uint64_t byte_ns = pacer_.ByteNs();
    const uint64_t first_ns = pacer_.ReserveSend(NowUs(), length);
    uint32_t written = 0;
    while (written < length) {
        // Bytes reach the card as the line carries them, so its echo starts with the first.
        const uint64_t now_ns = NowUs() * 1000;
        uint64_t due = length;
        if (byte_ns) due = now_ns <= first_ns ? 0 : std::min<uint64_t>(length, (now_ns - first_ns) / byte_ns);
        if (due > written) {
            if (powered_) phone_.Receive(std::span(in + written, static_cast<size_t>(due - written)));
            written = static_cast<uint32_t>(due);
            continue;
        }
        if (total && clock_.TickMs() - start_ms >= total) break;
        const uint64_t next_ms = (first_ns + byte_ns * (written + 1) + 999'999) / 1'000'000;
        const uint64_t now_ms = clock_.TickMs();
        const uint64_t gen = generation_.load();
        lk.unlock();
        clock_.WaitFor([&] { return generation_.load() != gen; },
                       Clamp(next_ms > now_ms ? next_ms - now_ms : 0));
        lk.lock();
        if (c->closed || c->write_aborted || !inserted_) break;
    }
    Fire(EV_TXEMPTY);
    --c->users;
    const bool gone = c->closed;
    if (gone && c->users == 0) contexts_.erase(handle);
    lk.unlock();
    Wake();
    return static_cast<int32_t>(written);
}

void CardPort::SetPowered(bool on) {
    {
        std::lock_guard lk(mu_);
        if (powered_ == on) return;
        powered_ = on;
        phone_.SetPowered(on);
        received_.clear();
        pacer_.Reset();
    }
    Wake();
}

bool CardPort::powered() {
    std::lock_guard lk(mu_);
    return powered_;
}

void CardPort::Pull() {
    std::function<void()> listener;
    {
        std::lock_guard lk(mu_);
        inserted_ = false;
        powered_ = false;
        phone_.SetPowered(false);
        received_.clear();
        access_holder_ = 0;
        listener = removal_listener_;
    }
    Wake();
    if (listener) listener();
}

void CardPort::Insert() {
    {
        std::lock_guard lk(mu_);
        inserted_ = true;
        for (auto& [h, c] : contexts_) c->closed = true;
        std::erase_if(contexts_, [](const auto& e) { return e.second->users == 0; });
    }
    Wake();
}

bool CardPort::inserted() {
    std::lock_guard lk(mu_);
    return inserted_;
}

void CardPort::SetRemovalListener(std::function<void()> listener) {
    std::lock_guard lk(mu_);
    removal_listener_ = std::move(listener);
}

}  // namespace qmx2::hardware::card

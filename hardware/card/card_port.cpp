// The emulated card's line: the phone's bytes paced on the clock in both directions, and the
// card leaving and coming back into the slot.
#include "hardware/card/card_port.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/last_error.h"

namespace qmx2::hardware::card {

using namespace qmx2::platform;

namespace {

uint32_t Clamp(uint64_t ms) { return ms >= kInfinite ? kInfinite - 1 : static_cast<uint32_t>(ms); }

platform::SoftwarePortOptions PortOptions(const CardPortOptions& o) {
    platform::SoftwarePortOptions p;
    p.receive_buffer_size = static_cast<uint32_t>(std::min<size_t>(o.receive_buffer, 1u << 24));
    return p;
}

}  // namespace

CardPort::CardPort(Clock& clock, CardScenario scenario, CardPortOptions options)
    : SoftwareSerialPort(clock, PortOptions(options)),
      options_(options),
      phone_(clock, std::move(scenario)) {
    powered_ = options.powered_at_start;
    phone_.SetPowered(powered_);
    pacer_.SetBaud(options_.paced ? 9600 : 0);
}

CardPort::~CardPort() = default;

uint64_t CardPort::NowUs() { return clock().TickMs() * 1000; }

void CardPort::LinePoll() {
    std::lock_guard lk(mu_);
    uint8_t buf[256];
    for (;;) {
        const size_t n = pacer_.Take(phone_, NowUs(), buf);
        if (n == 0) break;
        DeliverReceived(buf, n);
    }
}

uint64_t CardPort::LineNextArrivalMs() {
    std::lock_guard lk(mu_);
    const auto us = pacer_.NextArrivalUs(phone_);
    if (!us) return kNoArrival;
    return (*us + 999) / 1000;
}

int32_t CardPort::LineTransmit(const uint8_t* in, uint32_t length, uint32_t timeout_ms) {
    std::unique_lock lk(mu_);
    if (!inserted_) {
        SetLastError(ERROR_DEVICE_REMOVED);
        return -1;
    }
    write_aborted_ = false;
    const uint64_t start_ms = clock().TickMs();
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
        if (timeout_ms != kInfinite && clock().TickMs() - start_ms >= timeout_ms) break;
        const uint64_t next_ms = (first_ns + byte_ns * (written + 1) + 999'999) / 1'000'000;
        const uint64_t now_ms = clock().TickMs();
        const uint64_t generation = LineGeneration();
        lk.unlock();
        clock().WaitFor([&] { return LineGeneration() != generation; },
                        Clamp(next_ms > now_ms ? next_ms - now_ms : 0));
        lk.lock();
        if (write_aborted_ || !inserted_) break;
    }
    lk.unlock();
    LineChanged();  // the card may be answering: waiting readers look again
    return static_cast<int32_t>(written);
}

void CardPort::LineAbortTransmit() {
    {
        std::lock_guard lk(mu_);
        write_aborted_ = true;
    }
    LineChanged();
}

bool CardPort::LineSendImmediate(uint8_t byte) {
    {
        std::lock_guard lk(mu_);
        if (powered_) phone_.Receive(std::span(&byte, 1));
    }
    LineChanged();
    return true;
}

void CardPort::Pull() {
    std::function<void()> listener;
    {
        std::lock_guard lk(mu_);
        inserted_ = false;
        powered_ = false;
        phone_.SetPowered(false);
        listener = removal_listener_;
    }
    LineLost(ERROR_DEVICE_REMOVED, ERROR_DEVICE_REMOVED);
    DropReceived();
    LineChanged();
    if (listener) listener();
}

void CardPort::Insert() {
    {
        std::lock_guard lk(mu_);
        inserted_ = true;
    }
    LineBack();
    LineChanged();
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

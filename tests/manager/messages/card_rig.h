// A manager context on the emulated GSM card for the operation tests: the card's port registered
// as "COM3:" behind a recorder of every byte the manager writes, the harness's scripted user
// interface, registry, data folder and commander window, all on the virtual clock. No polling
// worker runs: each pause waits out its acknowledgement time on the virtual clock.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "hardware/card/card_port.h"
#include "manager/core/card_port.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager::testing {

// Forwards to the card's port and keeps what the manager wrote.
class RecordingPort final : public platform::StreamDriver {
public:
    explicit RecordingPort(platform::StreamDriver& inner) : inner_(inner) {}
    uintptr_t Open(uint32_t access, uint32_t share) override {
        if (refuse_open && refuse_open()) return 0;  // another program holds the port
        return inner_.Open(access, share);
    }
    std::function<bool()> refuse_open;
    bool Close(uintptr_t c) override { return inner_.Close(c); }
    int32_t Read(uintptr_t c, void* b, uint32_t n) override { return inner_.Read(c, b, n); }
    int32_t Write(uintptr_t c, const void* b, uint32_t n) override {
        {
            std::lock_guard l(mu_);
            written_.append(static_cast<const char*>(b), n);
        }
        const int32_t r = inner_.Write(c, b, n);
        if (on_write) on_write(std::string(static_cast<const char*>(b), n));
        return r;
    }
    // Runs on the writer's thread after the card has taken the bytes: lets a test change the
    // card between two exchanges of one operation.
    std::function<void(const std::string&)> on_write;
    bool IoControl(uintptr_t c, uint32_t code, const void* in, uint32_t in_len, void* out,
                   uint32_t out_len, uint32_t* ret) override {
        return inner_.IoControl(c, code, in, in_len, out, out_len, ret);
    }
    std::string Written() {
        std::lock_guard l(mu_);
        return written_;
    }
    // Command lines: the written bytes split at CR (a message text stays with its Ctrl-Z).
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        std::string cur;
        for (char c : Written()) {
            if (c == '\r') {
                if (!cur.empty()) lines.push_back(cur);
                cur.clear();
            } else {
                cur.push_back(c);
                if (c == '\x1A') {
                    lines.push_back(cur);
                    cur.clear();
                }
            }
        }
        if (!cur.empty()) lines.push_back(cur);
        return lines;
    }
    size_t Count(const std::string& prefix) {
        size_t n = 0;
        for (const std::string& l : Lines()) n += l.rfind(prefix, 0) == 0;
        return n;
    }
    void Clear() {
        std::lock_guard l(mu_);
        written_.clear();
    }

private:
    platform::StreamDriver& inner_;
    std::mutex mu_;
    std::string written_;
};

struct CardRig {
    explicit CardRig(hardware::card::CardScenario scenario = hardware::card::DefaultScenario())
        : port(*h.clock, std::move(scenario)), recorder(port) {
        h.UseCardPort(recorder);
        FindCardPort(ctx());
        ctx().sim_message_slots = SimSlots();
        ctx().messages.Allocate(SimSlots());
    }
    ~CardRig() { h.devices.Unregister(u"COM3:"); }

    ManagerContext& ctx() { return *h.ctx; }
    int SimSlots() {
        return port.WithPhone([](hardware::card::Phone& p) {
            return static_cast<int>(p.sim().messages.size());
        });
    }
    std::vector<hardware::card::SentMessage> Sent() {
        return port.WithPhone([](hardware::card::Phone& p) { return p.sent_messages(); });
    }
    std::optional<hardware::card::StoredMessage> SimMessage(int index) {
        return port.WithPhone([&](hardware::card::Phone& p) {
            return p.sim().messages[static_cast<size_t>(index - 1)];
        });
    }
    std::vector<std::string> Shown() { return h.ui.Shown(); }
    // A command given to the card behind the manager's back (a code entered at power-up by the
    // commander, say); its answer is dropped.
    void Direct(const std::string& line) {
        port.WithPhone([&](hardware::card::Phone& p) {
            const std::string bytes = line + "\r";
            p.Receive(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()),
                                               bytes.size()));
            p.DropOutput();
            return 0;
        });
    }

    Harness h;
    hardware::card::CardPort port;
    RecordingPort recorder;
};

}  // namespace qmx2::manager::testing

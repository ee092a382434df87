// A software serial port whose line is memory: what the port transmits is kept, what the test
// delivers is what the line received. Records the line settings and modem-line changes.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/software_serial_port.h"

namespace qmx2::testing {

class MemoryLinePort final : public platform::SoftwareSerialPort {
public:
    using platform::SoftwareSerialPort::SoftwareSerialPort;
    using platform::SoftwareSerialPort::LineBack;

    std::string Sent() {
        std::lock_guard lk(mu_);
        return sent_;
    }
    void Receive(const std::string& bytes) {
        DeliverReceived(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }

    bool refuse_settings = false;
    std::atomic<bool> powered{true};
    std::vector<bool> power_requests;
    bool refuse_open = false;
    std::vector<platform::DCB> applied;
    std::vector<std::string> line_changes;
    int line_opens = 0, line_closes = 0;

protected:
    bool LineOpen() override {
        ++line_opens;
        return !refuse_open;
    }
    void LineClose() override { ++line_closes; }
    int32_t LineTransmit(const uint8_t* data, uint32_t length, uint32_t) override {
        std::lock_guard lk(mu_);
        sent_.append(reinterpret_cast<const char*>(data), length);
        return static_cast<int32_t>(length);
    }
    bool LineApply(const platform::DCB& dcb) override {
        if (refuse_settings) return false;
        applied.push_back(dcb);
        return true;
    }
    void LineSetDtr(bool on) override { line_changes.push_back(on ? "DTR on" : "DTR off"); }
    void LineSetRts(bool on) override { line_changes.push_back(on ? "RTS on" : "RTS off"); }
    bool LinePowered() override { return powered; }
    bool LinePower(bool on) override {
        power_requests.push_back(on);
        powered = on;
        return true;
    }

private:
    std::mutex mu_;
    std::string sent_;
};

}  // namespace qmx2::testing

// A D-Bus session bus and an X display of a test's own: dbus-daemon and Xvfb started by the
// test and stopped when the object goes, so a desktop test never touches the person's desktop.
#pragma once

#include <sys/types.h>

#include <string>

namespace qmx2::testing {

class PrivateSessionBus {
public:
    PrivateSessionBus();  // starts dbus-daemon; ok() says whether it runs
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool ok() const { return !address_.empty(); }
    const std::string& address() const { return address_; }
    const std::string& error() const { return error_; }

private:
    pid_t pid_ = -1;
    std::string address_;
    std::string error_;
};

class PrivateDisplay {
public:
    PrivateDisplay();  // starts Xvfb on a free display; ok() says whether it runs
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool ok() const { return !display_.empty(); }
    const std::string& display() const { return display_; }  // ":N"
    const std::string& error() const { return error_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
};

// Points this process's Qt at `bus` and `display` (xcb) alone: no platform theme or desktop name
// of the person's session leaks in and changes what Qt asks the bus for.
void UsePrivateDesktop(const PrivateSessionBus& bus, const PrivateDisplay& display);

}  // namespace qmx2::testing

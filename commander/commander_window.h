// The commander's main window "Qmx2Com" / "QMX2 commander": it shows nothing, answers the
// messages of other programs and the shell, and ends the commander on WM_DESTROY.
#pragma once

#include <memory>

#include "commander/commander.h"
#include "platform/sync.h"
#include "platform/windows.h"

namespace qmx2::commander {

class CommanderWindow {
public:
    CommanderWindow(platform::WindowSystem& windows, Commander& commander)
        : windows_(windows), commander_(commander) {}
    ~CommanderWindow();

    // Registers the window on the calling thread, which then runs its messages. 0 on failure.
    platform::HWND Create();
    platform::HWND hwnd() const { return hwnd_; }
    // The window has had its WM_DESTROY: the commander has ended.
    bool destroyed() const { return destroyed_; }
    // Runs messages until the commander ends; the exit code of the loop.
    int Run();
    // Posts the card watch's WM_TIMER to the window every period_ms until the window goes.
    bool StartCardWatch(platform::Clock& clock, uint32_t period_ms);

private:
    platform::LRESULT Procedure(uint32_t message, platform::WPARAM wparam, platform::LPARAM lparam);

    platform::WindowSystem& windows_;
    Commander& commander_;
    void StopCardWatch();

    platform::HWND hwnd_ = 0;
    bool destroyed_ = false;
    platform::Clock* watch_clock_ = nullptr;
    bool watch_stop_ = false;  // under the watch clock's lock
    platform::Thread watch_;
};

// A second commander started while one runs: waits up to 11 x 500 ms for the earlier one to go
// (one that is closing after the card was pulled), else brings it to the foreground. true when
// the earlier one stays and this start must end.
bool GiveWayToEarlierCommander(platform::WindowSystem& windows, platform::Clock& clock);

// The card's transaction for the commander: the shared AT command channel with the
// commander's own rules, on the card's port.
class TransactionChannel : public CardChannel {
public:
    TransactionChannel(platform::Devices& devices, platform::Clock& clock, platform::WideView port);
    ~TransactionChannel() override;
    std::string Send(std::string_view command, std::string_view expected, int timeout_s) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qmx2::commander

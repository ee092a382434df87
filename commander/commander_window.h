// The commander's main window "Qmx2Com" / "QMX2 commander": it shows nothing, answers the
// messages of other programs and the shell, and ends the commander on WM_DESTROY.
#pragma once

#include <memory>

#include "commander/commander.h"
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
    // Runs messages until the commander ends; the exit code of the loop.
    int Run();

private:
    platform::LRESULT Procedure(uint32_t message, platform::WPARAM wparam, platform::LPARAM lparam);

    platform::WindowSystem& windows_;
    Commander& commander_;
    platform::HWND hwnd_ = 0;
    bool destroyed_ = false;
};

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

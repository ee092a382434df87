// The one place where calls on the user-interface boundary change threads. The polling worker
// calls ManagerUi from its own thread; a window shell wraps its windows in GuiThreadUi so that
// every such call runs on the GUI thread and no widget is ever touched from the worker.
// Questions ("New SMS arrived", and every call that returns a value) block the caller until
// the GUI thread has answered; what only changes the picture (repaints, the status line, the
// wait cursor, the icon) is queued and the caller goes on.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "manager/core/manager_ui.h"

namespace qmx2::manager {

// What the shell's event loop offers: whether the caller is on the GUI thread, and a way to
// queue work for it (false once the loop will run nothing more).
class GuiDispatch {
public:
    virtual ~GuiDispatch() = default;
    virtual bool OnGuiThread() = 0;
    virtual bool Queue(std::function<void()> task) = 0;
};

class GuiThreadUi : public ManagerUi {
public:
    GuiThreadUi(ManagerUi& windows, GuiDispatch& gui) : windows_(windows), gui_(gui) {}

    // The GUI loop has ended: waiting callers are released with the cautious answer (No,
    // Cancel, false) and later calls from other threads get it at once.
    void Shutdown();

    Answer ShowMessage(platform::WideView caption, platform::WideView text, Buttons buttons,
                       bool owned) override;
    bool ShowStartupNote() override;
    void SetWaitCursor(bool on) override;
    bool ShowMainWindow(bool visible) override;
    void RepaintMain() override;
    void SetNotificationIcon(bool present) override;
    void CloseChildWindows() override;
    bool MessageWindowOpen() override;
    platform::WideString MessageStatusLine() override;
    void SetMessageStatusLine(platform::WideView text) override;
    void RefreshMessageWindow() override;
    bool EditContact(bool editing, ContactFields& fields, int name_width, int number_width) override;
    std::optional<BookId> ChooseBook(bool move, BookId current) override;
    bool PasteContact(const ContactFields& full, ContactFields& fields, int name_width,
                      int number_width) override;
    bool WriteWindowOpen() override;
    void OpenWriteWindow(const std::vector<std::string>& recipients) override;

private:
    // Runs `call` on the GUI thread and waits for it; false (call not run) after Shutdown.
    bool RunAndWait(const std::function<void()>& call);
    void Post(std::function<void()> call);

    ManagerUi& windows_;
    GuiDispatch& gui_;
    std::mutex mu_;
    std::condition_variable done_;
    bool shut_ = false;
};

}  // namespace qmx2::manager

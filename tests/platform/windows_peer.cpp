// A small program for the window tests: one window of the given class and title on the handheld
// at root, answering as the commander does, and telling the test on stdout what it saw.
//
//   platform_windows_peer ROOT CLASS TITLE
//
// Lines: "ready HWND", "posted W L", "destroy-answered R" (after 8025 sent WM_DESTROY to the
// "QMXManager" window), "device EVENT NAME", "destroyed", "bye".
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "platform/text.h"
#include "platform/windows.h"

using namespace qmx2::platform;

namespace {

void Say(const std::string& line) {
    const std::string text = line + "\n";
    [[maybe_unused]] ssize_t n = ::write(1, text.data(), text.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ROOT CLASS TITLE\n", argv[0]);
        return 2;
    }
    auto clock = MakeRealClock();
    uint32_t error = 0;
    auto ws = OpenWindowSystem(*clock, argv[1], &error);
    if (!ws) {
        std::fprintf(stderr, "cannot open the window system (%u)\n", error);
        return 1;
    }
    WindowSystem& w = *ws;
    const HWND hwnd = w.RegisterWindow(
        FromUtf8(argv[2]), FromUtf8(argv[3]),
        [&w](HWND, uint32_t msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
            switch (msg) {
            case 8025: {
                const LRESULT r = w.SendMessage(w.FindWindow(u"QMXManager"), WM_DESTROY, 0, 0);
                Say("destroy-answered " + std::to_string(r));
                return 1;
            }
            case WM_DESTROY:
                Say("destroyed");
                w.PostQuitMessage(0);
                return 0;
            case WM_DEVICECHANGE: {
                const auto* port = reinterpret_cast<const DEV_BROADCAST_PORT*>(lparam);
                char event[16];
                std::snprintf(event, sizeof event, "%" PRIx64, static_cast<uint64_t>(wparam));
                Say(std::string("device ") + event + " " + ToUtf8(port->dbcp_name));
                return 1;
            }
            case WM_USER + 1:
                Say("posted " + std::to_string(wparam) + " " + std::to_string(lparam));
                return 0;
            case WM_USER + 2:
                return static_cast<LRESULT>(wparam) + lparam;
            case WM_USER + 9:
                _exit(3);  // dies while its sender waits
            default:
                return 0;
            }
        });
    if (hwnd == 0) return 1;
    Say("ready " + std::to_string(hwnd));
    const int code = w.RunMessageLoop();
    w.DestroyWindow(hwnd);
    Say("bye");
    return code;
}

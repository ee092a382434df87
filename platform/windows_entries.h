// The folder <root>/run/windows/ through which programs find each other's windows: one entry
// file per window (named by its HWND) and one Unix socket per program.
//
// One socket per program rather than per window: a program's windows share its message threads
// anyway, a single listener needs one I/O thread whatever the number of windows, and the
// socket's life is exactly the program's life, which is what tells a dead window from a live
// one. An entry whose socket refuses connections belongs to a program that died (even if its
// pid has been reused since) and is removed by whoever finds it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_wire.h"

namespace qmx2::platform::windows_detail {

enum class Reach { kAlive, kGone, kBusy };

class WindowDirectory {
public:
    // Makes <root>/run/windows/ when missing. Null with *error set when it cannot.
    static std::optional<WindowDirectory> Open(const std::string& root, uint32_t* error);

    const std::string& path() const { return path_; }

    // 0, ERROR_ALREADY_EXISTS when an entry of that HWND exists, or ERROR_ACCESS_DENIED.
    uint32_t Publish(const wire::WindowEntry& entry);
    void Remove(HWND hwnd);
    std::optional<wire::WindowEntry> Read(HWND hwnd);
    // Every readable entry, oldest first.
    std::vector<wire::WindowEntry> ReadAll();
    // The entry and, when the program's socket is there without a listener, the socket file.
    void RemoveStale(const wire::WindowEntry& entry, Reach reach);
    // Socket files of programs that died without cleaning up.
    void SweepDeadSockets();

    // A non-blocking SOCK_SEQPACKET connection to the program socket name, or -1 with *reach
    // telling whether the program is gone or only too busy to accept.
    int Connect(const std::string& socket_name, Reach* reach);
    // The listening socket of this program.
    int Listen(const std::string& socket_name);

private:
    explicit WindowDirectory(std::string path) : path_(std::move(path)) {}
    std::string EntryPath(HWND hwnd) const;

    std::string path_;
};

}  // namespace qmx2::platform::windows_detail

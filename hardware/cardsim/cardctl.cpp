// qmx2-cardctl: sends one live-control line to a running device host (its emulated card, the far
// sides of its built-in ports) and prints the answer.
//
//   qmx2-cardctl [--root DIR] COMMAND...      e.g.  qmx2-cardctl deliver +4478 Hello there
//
// The words are joined with spaces into one line (a message text is quoted for the control); exit status 0 for an OK answer, 1 for an
// error answer or no answer, 2 for a bad command line.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/root.h"

namespace {

// The shell has taken the quotes off a message text: put them back (with the control's escapes)
// unless the person wrote them into the word.
std::string Quoted(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// "deliver NUMBER TEXT..." takes the rest as one quoted text; other commands are joined as typed.
std::string ControlLine(int argc, char** argv, int first) {
    std::string line;
    for (int i = first; i < argc; ++i) {
        if (i == first + 2 && std::strcmp(argv[first], "deliver") == 0) {
            std::string text = argv[i];
            while (++i < argc) text += std::string(" ") + argv[i];
            return line + " " + Quoted(text);
        }
        line += (line.empty() ? "" : " ") + std::string(argv[i]);
    }
    return line;
}

// Sends the line and reads the one answer line; false with *answer holding why on failure.
bool Ask(const std::string& path, const std::string& line, std::string* answer) {
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) return *answer = "socket path too long: " + path, false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        *answer = "no emulated card at " + path + ": " + std::strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    const std::string out = line + "\n";
    bool ok = send(fd, out.data(), out.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(out.size());
    answer->clear();
    while (ok && answer->find('\n') == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        char buf[512];
        ssize_t n = 0;
        ok = poll(&p, 1, 10000) > 0 && (n = read(fd, buf, sizeof buf)) > 0;
        if (ok) answer->append(buf, static_cast<size_t>(n));
    }
    close(fd);
    if (!ok) return *answer = "the emulated card did not answer", false;
    answer->erase(answer->find('\n'));
    return true;
}

}  // namespace

constexpr char kUsage[] =
    "usage: qmx2-cardctl [--root DIR] COMMAND...\n"
    "  deliver NUMBER TEXT | signal RSSI | operator CODE | fill-memory | pull |\n"
    "  insert | power on|off | hangup | sent N | status\n"
    "  dcd|cts|dsr|ri COM1:|COM2: on|off   (the far side of a built-in port)\n";

int main(int argc, char** argv) {
    std::string root_arg, line;
    int i = 1;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (i + 1 < argc && std::strcmp(argv[i], "--root") == 0) {
        root_arg = argv[i + 1];
        i += 2;
    }
    line = ControlLine(argc, argv, i);
    if (line.empty() || line.find_first_of("\r\n") != std::string::npos) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string root, answer;
    if (!qmx2::platform::ResolveRoot(root_arg, &root, &answer)) {
        std::fprintf(stderr, "qmx2-cardctl: %s\n", answer.c_str());
        return 1;
    }
    if (!Ask(root + "/run/cardsim.ctl", line, &answer)) {
        std::fprintf(stderr, "qmx2-cardctl: %s\n", answer.c_str());
        return 1;
    }
    std::printf("%s\n", answer.c_str());
    return answer.rfind("OK", 0) == 0 ? 0 : 1;
}

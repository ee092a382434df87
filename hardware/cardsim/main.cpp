// qmx2-cardsim: the emulated GSM card for any AT-speaking program, in real time.
//
//   qmx2-cardsim --pty [--link PATH] | --tcp PORT
//                [--scenario FILE] [--dialect pellion|standard] [--baud N] [--control PATH]
//
// --pty prints the pseudo-terminal's path on the first line of standard output; --tcp listens
// on 127.0.0.1:PORT and serves one client at a time. The card keeps its state across clients.
// SIGINT or SIGTERM ends it.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hardware/card/card_port.h"
#include "hardware/card/dialect.h"
#include "hardware/card/control_server.h"
#include "hardware/cardsim/bridge.h"
#include "platform/clock.h"

namespace {

using namespace qmx2::hardware;

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop = true; }

struct Options {
    bool pty = false;
    int tcp_port = 0;
    std::string link, scenario, dialect, control;
    uint32_t baud = 0;
};

constexpr char kUsage[] =
    "usage: qmx2-cardsim --pty [--link PATH] | --tcp PORT\n"
    "         [--scenario FILE] [--dialect pellion|standard] [--baud N] [--control PATH]\n";

int Usage(const char* why) {
    std::fprintf(stderr, "qmx2-cardsim: %s\n%s", why, kUsage);
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--pty") o.pty = true;
        else if (a == "--tcp" && has_value) o.tcp_port = std::atoi(argv[++i]);
        else if (a == "--link" && has_value) o.link = argv[++i];
        else if (a == "--scenario" && has_value) o.scenario = argv[++i];
        else if (a == "--dialect" && has_value) o.dialect = argv[++i];
        else if (a == "--control" && has_value) o.control = argv[++i];
        else if (a == "--baud" && has_value) o.baud = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else {
            error = "unknown or incomplete option " + a;
            return false;
        }
    }
    if (o.pty == (o.tcp_port > 0)) error = "give either --pty or --tcp PORT (1..65535)";
    if (o.tcp_port > 65535) error = "TCP port out of range";
    if (!o.dialect.empty() && !card::DialectFromName(o.dialect)) error = "unknown dialect " + o.dialect;
    return error.empty();
}

int Serve(card::CardPort& port, const Options& o) {
    const auto print = [](const std::string& where) {
        std::printf("%s\n", where.c_str());
        std::fflush(stdout);
    };
    std::string error;
    const bool served = o.pty ? cardsim::ServePty(port, o.link, o.baud, g_stop, print, &error)
                              : cardsim::ServeTcp(port, o.tcp_port, o.baud, g_stop, print, &error);
    if (!error.empty()) std::fprintf(stderr, "qmx2-cardsim: %s\n", error.c_str());
    return served ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!ParseOptions(argc, argv, o, error)) return Usage(error.c_str());
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    card::CardScenario scenario = card::DefaultScenario();
    if (!o.scenario.empty()) {
        card::ScenarioResult r = card::LoadScenario(o.scenario);
        if (!r.scenario) return Usage(r.error.c_str());
        scenario = std::move(*r.scenario);
    }
    if (!o.dialect.empty()) scenario.dialect = *card::DialectFromName(o.dialect);
    auto clock = qmx2::platform::MakeRealClock();
    card::CardPort port(*clock, std::move(scenario), {.paced = o.baud != 0});
    std::unique_ptr<card::ControlServer> control;
    if (!o.control.empty()) {
        control = card::ControlServer::Start(port, o.control, &error);
        if (!control) return Usage(error.c_str());
    }
    return Serve(port, o);
}

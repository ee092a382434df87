// Qmx2Com's command line.
#include "commander/program_options.h"

#include <string_view>

namespace qmx2::commander {

const char kCommanderUsage[] =
    "usage: Qmx2Com [--headless] [--ask] [--root=DIR] [--pin=CODE] [--pin2=CODE] [--puk=CODE\n"
    "               --new-pin=CODE] [--security-code=CODE] [--code=CODE]\n"
    "Brings the GSM card to the ready state and answers the phone manager; without a desktop\n"
    "messages and notifications go to standard error.\n";

CommanderOptions ParseCommanderOptions(const std::vector<std::string>& args) {
    CommanderOptions o;
    struct CodeOption {
        std::string_view name;
        std::optional<std::string>* code;
    } const codes[] = {{"--pin=", &o.codes.pin}, {"--pin2=", &o.codes.pin2}, {"--puk=", &o.codes.puk},
                       {"--new-pin=", &o.codes.new_pin}, {"--security-code=", &o.codes.security_code},
                       {"--code=", &o.codes.other}};
    for (const std::string& arg : args) {
        const std::string_view a = arg;
        if (a == "--headless") { o.headless = true; continue; }
        if (a == "--ask") { o.ask = true; continue; }
        if (a == "--help" || a == "-h") { o.help = true; continue; }
        if (a.starts_with("--root=")) { o.root = arg.substr(7); continue; }
        bool known = false;
        for (const CodeOption& c : codes) {
            if (!a.starts_with(c.name)) continue;
            *c.code = arg.substr(c.name.size());
            known = true;
        }
        if (!known) {
            o.error = "unknown option: " + arg;
            return o;
        }
    }
    if (o.codes.puk.has_value() != o.codes.new_pin.has_value())
        o.error = "--puk and --new-pin go together";
    return o;
}

}  // namespace qmx2::commander

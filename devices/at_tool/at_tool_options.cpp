// Parsing qmx2-at's command line and showing replies.
#include "devices/at_tool/at_tool_options.h"

#include <cstdio>
#include <cstdlib>

namespace qmx2::devices {

const char kAtToolUsage[] =
    "usage: qmx2-at [--root DIR] [--port NAME | --device /dev/ttyX] [--expected TEXT]\n"
    "               [--timeout S] [--mode command|line|raw|commander] [--show-escapes]\n"
    "               COMMAND...\n";

namespace {

bool ParseMode(const std::string& s, AtToolMode* mode) {
    if (s == "command") *mode = AtToolMode::kCommand;
    else if (s == "line") *mode = AtToolMode::kLine;
    else if (s == "raw") *mode = AtToolMode::kRaw;
    else if (s == "commander") *mode = AtToolMode::kCommander;
    else return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseAtToolOptions(int argc, const char* const* argv, AtToolOptions* o, std::string* error) {
    std::vector<std::string> texts;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--show-escapes") {
            o->show_escapes = true;
            continue;
        }
        if (arg == "--") {
            for (++i; i < argc; ++i) texts.emplace_back(argv[i]);
            break;
        }
        if (arg.rfind("--", 0) != 0) {
            texts.push_back(arg);
            continue;
        }
        if (i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--port") o->port = value;
        else if (arg == "--device") o->device = value;
        else if (arg == "--root") o->root = value;
        else if (arg == "--expected") o->expected = value;
        else if (arg == "--mode") {
            if (!ParseMode(value, &o->mode)) {
                *error = "unknown mode \"" + value + "\"";
                return false;
            }
        } else if (arg == "--timeout") {
            char* end = nullptr;
            const long t = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || t < 1 || t > 3600) {
                *error = "the time-out must be whole seconds from 1 to 3600";
                return false;
            }
            o->timeout_s = static_cast<int>(t);
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    if (!o->port.empty() && !o->device.empty()) {
        *error = "give --port or --device, not both";
        return false;
    }
    if (texts.empty()) {
        *error = "no command given";
        return false;
    }
    for (const std::string& t : texts) {
        std::string bytes = t;
        if (o->mode == AtToolMode::kRaw) {
            if (!DecodeRawEscapes(t, &bytes, error)) return false;
        } else if (!IsSingleCommand(t)) {
            *error = "a command cannot hold CR, LF, Ctrl-Z or ESC (use --mode raw for data)";
            return false;
        }
        o->commands.push_back(bytes);
    }
    return true;
}

bool DecodeRawEscapes(const std::string& text, std::string* bytes, std::string* error) {
    bytes->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '^' && i + 1 < text.size() && (text[i + 1] == 'Z' || text[i + 1] == 'z')) {
            bytes->push_back('\x1A');
            ++i;
            continue;
        }
        if (c != '\\') {
            bytes->push_back(c);
            continue;
        }
        if (++i >= text.size()) {
            *error = "a backslash ends the data";
            return false;
        }
        switch (text[i]) {
            case 'r': bytes->push_back('\r'); break;
            case 'n': bytes->push_back('\n'); break;
            case 't': bytes->push_back('\t'); break;
            case 'e': bytes->push_back('\x1B'); break;
            case '\\': bytes->push_back('\\'); break;
            case '^': bytes->push_back('^'); break;
            case 'x': {
                const int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
                const int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
                if (hi < 0 || lo < 0) {
                    *error = "\\x needs two hex digits";
                    return false;
                }
                bytes->push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                break;
            }
            default:
                *error = std::string("unknown escape \\") + text[i];
                return false;
        }
    }
    return true;
}

bool IsSingleCommand(const std::string& command) {
    return command.find_first_of("\r\n\x1A\x1B") == std::string::npos;
}

std::string ShowEscapes(const std::string& reply) {
    std::string out;
    for (unsigned char c : reply) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == 0x1A) out += "^Z";
        else if (c == '\\') out += "\\\\";
        else if (c < 0x20 || c > 0x7E) {
            char hex[5];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else out.push_back(static_cast<char>(c));
    }
    return out;
}

}  // namespace qmx2::devices

// A card double for the commander's tests: each command gets the next of the replies scripted
// for it (the last one repeats); unscripted commands are echoed and answered "OK".
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "commander/card_channel.h"

namespace qmx2::commander::testing {

// What a card with echo on sends back for `command` with information lines `info`.
inline std::string CardReply(std::string_view command, std::string_view info,
                             std::string_view result = "OK") {
    std::string r(command);
    r += "\r";
    if (!info.empty()) {
        r += "\r\n";
        r += info;
        r += "\r\n";
    }
    r += "\r\n";
    r += result;
    r += "\r\n";
    return r;
}

class ScriptedCard : public CardChannel {
public:
    void On(const std::string& command, std::vector<std::string> replies) {
        script_[command] = std::deque<std::string>(replies.begin(), replies.end());
    }

    std::string Send(std::string_view command, std::string_view expected, int timeout_s) override {
        sent.emplace_back(command);
        expectations.push_back(std::string(expected) + "/" + std::to_string(timeout_s));
        auto it = script_.find(std::string(command));
        if (it == script_.end() || it->second.empty()) return CardReply(command, "");
        std::string reply = it->second.front();
        if (it->second.size() > 1) it->second.pop_front();
        return reply;
    }

    int Count(std::string_view command) const {
        int n = 0;
        for (const std::string& c : sent) n += c == command;
        return n;
    }

    std::vector<std::string> sent;
    std::vector<std::string> expectations;  // "expected/timeout" of each command sent

private:
    std::map<std::string, std::deque<std::string>> script_;
};

}  // namespace qmx2::commander::testing

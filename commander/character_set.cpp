// Reading a modem's "+CSCS" test reply and choosing from it.
#include "commander/character_set.h"

namespace qmx2::commander {

std::vector<std::string> ParseCharacterSets(std::string_view reply) {
    std::vector<std::string> sets;
    const size_t head = reply.find("+CSCS:");
    if (head == std::string_view::npos) return sets;
    std::string_view line = reply.substr(head + 6);
    line = line.substr(0, line.find_first_of("\r\n"));
    for (size_t open = line.find('"'); open != std::string_view::npos;) {
        const size_t close = line.find('"', open + 1);
        if (close == std::string_view::npos) break;
        sets.emplace_back(line.substr(open + 1, close - open - 1));
        open = line.find('"', close + 1);
    }
    return sets;
}

std::optional<std::string> PickCharacterSet(const std::vector<std::string>& offered) {
    static constexpr std::string_view kPreferred[] = {"8859-1", "IRA", "ASCII", "UTF-8", "UTF8",
                                                      "GSM"};
    for (std::string_view want : kPreferred)
        for (const std::string& set : offered)
            if (set == want) return set;
    return std::nullopt;
}

}  // namespace qmx2::commander

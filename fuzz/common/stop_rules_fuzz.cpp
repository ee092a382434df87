// The stop-rule engine against the whole-reply search on arbitrary bytes. The first byte picks
// the operation's rule set and the length of the expected text, which is taken from the bytes
// that follow; the rest is the reply, checked after every byte.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "common/stop_rules.h"
#include "tests/common/stop_rules_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qmx2::common;
    if (size < 1) return 0;
    const uint8_t control = data[0];
    const StopRuleSet rules{(control & 1) != 0, (control & 2) != 0};
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t expected_length = std::min<size_t>(control >> 2, rest.size());
    const std::string_view expected = rest.substr(0, expected_length);
    const std::string_view reply = rest.substr(expected_length);

    StopRuleEngine engine(rules, expected);
    for (size_t i = 0; i < reply.size(); ++i) {
        engine.Feed(static_cast<unsigned char>(reply[i]));
        const std::string_view so_far = reply.substr(0, i + 1);
        if (engine.Check() != qmx2::testing::ReferenceStopRule(rules, so_far, expected))
            std::abort();
    }
    return 0;
}

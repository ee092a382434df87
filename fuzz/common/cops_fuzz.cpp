// The "+COPS" parsers against any reply: the standard forms of modems (current operator and the
// search's groups) and the card's flat search list as the commander reads it. Each list stays
// within its limit and every name found is a whole, closed text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "commander/network_dialog.h"
#include "commander/operator_table.h"
#include "common/operator_replies.h"

using namespace qmx2;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that reading past the reply is caught.
    auto copy = std::make_unique<char[]>(size);
    if (size) std::memcpy(copy.get(), data, size);
    const std::string_view reply(copy.get(), size);
    const auto listed = common::ParseStandardOperatorList(reply, 10);
    if (listed.size() > 10) std::abort();
    for (const common::ListedOperator& o : listed)
        if (o.code.empty() || o.code.size() > size) std::abort();
    if (const auto current = common::ParseCurrentOperatorReply(reply))
        if (current->oper.size() > size) std::abort();
    if (const auto decoded = common::DecodeUcs2Hex(reply))
        if (decoded->size() * 4 > size) std::abort();
    common::OperatorLookup names{commander::kOperatorTable, {}};
    for (const commander::NetworkEntry& e : commander::ParseOperatorSearch(reply, names))
        (void)e;
    if (names.unknown_name[sizeof names.unknown_name - 1] != 0) std::abort();
    return 0;
}

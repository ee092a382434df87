// The standard forms of the "+COPS" replies (GSM 07.07) that modems of today give, read beside
// the card's own forms. Pure functions of the reply text; nothing is written unless the parse
// succeeded.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmx2::common {

// "+COPS: <mode>[,<format>,<oper>[,<AcT>]]" of "AT+COPS?". `oper` has its quotes removed.
struct CurrentOperatorReply {
    int mode = 0;
    int format = -1;  // -1: no operator given (not registered)
    std::string oper;
};
std::optional<CurrentOperatorReply> ParseCurrentOperatorReply(std::string_view reply);

// One "(<stat>,"long","short","numeric"[,<AcT>])" group of an "AT+COPS=?" reply.
struct ListedOperator {
    int status = 0;
    std::string long_name;
    std::string short_name;
    std::string code;
};

// Every operator group after each "+COPS:" of the reply, in order, at most `limit`. The
// trailing lists of supported modes and formats ("(0,1,2,3,4),(0,1,2)") are no operators and
// are passed over, as are groups without a numeric code.
std::vector<ListedOperator> ParseStandardOperatorList(std::string_view reply, std::size_t limit);

// "00320034" -> "24": the text as UCS2 hex when every unit is below 256, else nothing.
std::optional<std::string> DecodeUcs2Hex(std::string_view hex);

}  // namespace qmx2::common

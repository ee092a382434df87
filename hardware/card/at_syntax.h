// The syntax of an AT command line: splitting the text after "AT" into commands (basic ones
// such as "E1" or "D123;", extended ones such as "+CPIN?" separated by ";") and splitting an
// extended command's parameters. Pure functions of the text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmx2::hardware::card {

enum class CommandForm { kExecute, kRead, kTest, kSet };

struct AtCommand {
    std::string name;  // upper case: "E", "D", "&F", "S", "+CPIN"
    CommandForm form = CommandForm::kExecute;
    std::string args;  // basic: the digits (or the dial string); extended: the text after "="
};

// Splits the body of a command line (what follows "AT"). Letters outside quotes are taken in
// any case; text inside quotes is kept as it is. Nothing on a syntax error (an unknown basic
// character, an unterminated quote).
std::optional<std::vector<AtCommand>> SplitCommandLine(std::string_view body);

struct AtArg {
    bool present = false;  // false for an empty position ("1,,3")
    bool quoted = false;
    std::string text;
};

// Splits "1,\"SM\",,abc" into its parameters. Nothing when a quote is not closed or something
// follows a closing quote before the next comma.
std::optional<std::vector<AtArg>> SplitArgs(std::string_view args);

// A whole decimal number (no sign, no spaces) within [lo, hi].
std::optional<int> ArgNumber(const AtArg& arg, int lo, int hi);

// A number a message can go to: a leading "+", then up to 20 digits, "*" and "#".
bool IsMessageNumber(std::string_view number);

std::string Upper(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace qmx2::hardware::card

// Texts between qmx2ctl's command line or terminal and the card's single-byte ISO 8859-1.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace qmx2::manager::ctl {

// Card and record texts are ISO 8859-1: each byte becomes the character of the same value.
std::string Latin1ToUtf8(std::string_view s);

// What a person typed (UTF-8) in the card's set: a character the card cannot hold becomes "?".
std::string Utf8ToLatin1(std::string_view s);
platform::WideString Latin1Wide(platform::WideView typed);

// A telephone number as a person types it: digits, "*", "#", a leading "+", and the blanks,
// hyphens, dots and slashes that group digits (parentheses would make it "name (number)"). Anything else (a letter, ";", a
// quotation mark) is refused with the reason rather than dropped on the way to the card.
bool NumberTyped(std::string_view number, std::string* why);

// Text for a terminal: control characters (C0, DEL, C1) shown as "\x1b", so that a received
// message cannot set the terminal's title or clear its screen. With `lines`, CR LF and LF stay
// line breaks.
std::string TerminalText(platform::WideView text, bool lines = false);
std::string TerminalLatin1(std::string_view latin1, bool lines = false);

}  // namespace qmx2::manager::ctl

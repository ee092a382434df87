// The text rules of short messages shared by sending, drafts and pasting: how long a text counts,
// how it is cut, how it is turned into the bytes the card receives, and how a recipient entry of
// the write window becomes a number with its type.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/text.h"

namespace qmx2::manager {

inline constexpr int kMessageLimit = 160;
// The write window's edit box is read into 1024 units: at most 1023 characters.
inline constexpr std::size_t kMaxEditText = 1023;
// A recipient typed into "To" keeps its first 19 characters.
inline constexpr std::size_t kMaxRecipientChars = 19;

// UTF-16 units, with each CR LF pair counted as one.
int MessageLength(std::u16string_view text);

// The longest head of `text` whose length is at most `limit`; a CR LF pair is never split.
std::u16string_view CutToLength(std::u16string_view text, int limit);

// What goes to the card before Ctrl-Z: CR LF and lone CR become LF, each unit becomes its low
// byte (the card's ISO 8859-1). Ctrl-Z and ESC, which would end or abort the entry there and run
// the rest as commands, are left out, as is every other control byte except LF and TAB.
std::string CardMessageText(std::u16string_view text);
// The same for a record's single-byte text.
std::string CardMessageText(std::string_view text);

// The number part of a recipient entry as typed: the text between the first "(" and the next ")"
// when there is a "(" ("name (number)"), else the whole entry.
std::u16string_view RecipientNumberPart(std::u16string_view entry);
// That number part reduced to a leading "+", digits, "*" and "#". Whatever the entry held
// (quotes, line ends, Ctrl-Z, ';'), only those characters reach the card.
std::string RecipientNumber(std::u16string_view entry);
// The same reduction for a single-byte number (a record's number, a centre number).
std::string ReducedNumber(std::string_view number);

// "145" for a number that begins with "+", else "129".
const char* NumberType(std::string_view number);

// "yy/mm/dd,hh:mm:ss" of a local time.
std::string SentStamp(const platform::WallTime& now);

}  // namespace qmx2::manager

// Access codes as the user types them and as they go into "AT+CPIN", "AT+CLCK" and "AT+CPWD":
// the code kinds of the entry dialog, and the check that keeps a code from ending its quoted
// argument or the command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace qmx2::commander {

// The creation parameter of the single-code entry dialog.
enum class CodeKind : int {
    kSimPin = 1,
    kSecurityCode = 3,
    kPhFsimPin = 11,
    kPhFsimPuk = 13,
    kSimPin2 = 21,
    kPhNetPin = 31,
    kPhNetPuk = 33,
};

struct CodeDialogText {
    CodeKind kind;
    std::string_view caption;
    std::string_view prompt;
    int edit_limit;  // set on the edit box; 0 means the box has none
};

inline constexpr std::string_view kCodeDialogDefaultCaption = "Enter Access Code";
inline constexpr int kMaxCodeLength = 9;  // the most taken from any code edit box
inline constexpr int kPukEditLimit = 8;   // every box of the PUK and change-code dialogs

const CodeDialogText& CodeDialogTextFor(CodeKind kind);

// A code as the dialog hands it over: each 16-bit unit kept as its low 8 bits, at most
// `limit` characters (the edit box's limit, or 9 where the box has none).
std::string TakeCode(platform::WideView typed, int limit = kMaxCodeLength);

// A code can be sent when every byte is printable ASCII other than '"' (ends the quoted
// argument), '\' (starts an escape inside quotes on many cards) and ';' (chains a second
// command). Control characters (CR, LF, Ctrl-Z, ESC and the rest) are refused as well: CR ends
// the command line and Ctrl-Z/ESC end or abort text entry. Bytes above 127 are refused too, as
// no access code holds them and a wide character can narrow to one of the bytes above.
bool IsSendableCode(std::string_view code);

}  // namespace qmx2::commander

// Code kinds of the entry dialog and the check of typed codes.
#include "commander/access_code.h"

#include <array>

namespace qmx2::commander {
namespace {

constexpr std::array<CodeDialogText, 7> kCodeDialogs{{
    {CodeKind::kSimPin, "Enter SIM PIN", "Please enter SIM PIN:", 8},
    {CodeKind::kSecurityCode, "Enter security code", "Please enter security code:", 6},
    {CodeKind::kPhFsimPin, "Enter PH-FSIM PIN", "Please enter PH-FSIM PIN:", 0},
    {CodeKind::kPhFsimPuk, "Enter PH-FSIM PUK", "Please enter PH-FSIM PUK:", 0},
    {CodeKind::kSimPin2, "Enter SIM PIN2", "Please enter SIM PIN2:", 0},
    {CodeKind::kPhNetPin, "Enter PH-NET PIN", "Please enter PH-NET PIN:", 0},
    {CodeKind::kPhNetPuk, "Enter PH-NET PUK", "Please enter PH-NET PUK:", 0},
}};

}  // namespace

const CodeDialogText& CodeDialogTextFor(CodeKind kind) {
    for (const CodeDialogText& t : kCodeDialogs)
        if (t.kind == kind) return t;
    return kCodeDialogs[0];
}

std::string TakeCode(platform::WideView typed, int limit) {
    if (limit <= 0 || limit > kMaxCodeLength) limit = kMaxCodeLength;
    std::string code;
    for (platform::WideChar c : typed) {
        if (static_cast<int>(code.size()) == limit) break;
        code.push_back(static_cast<char>(c & 0xFF));
    }
    return code;
}

bool IsSendableCode(std::string_view code) {
    for (char ch : code) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c > 0x7E) return false;
        if (c == '"' || c == '\\' || c == ';') return false;
    }
    return true;
}

}  // namespace qmx2::commander

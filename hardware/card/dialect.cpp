// The two dialects of the emulated card and the +CME ERROR texts.
#include "hardware/card/dialect.h"

namespace qmx2::hardware::card {
namespace {

constexpr DialectTraits kPellion{"pellion", 0, 2, true, "(0,1),(2)", true, false, false, false};
constexpr DialectTraits kStandard{"standard", 1, 0, false, "(0,1,2,3,4),(0,1,2)", false, true,
                                  true, true};

struct CmeRow {
    int code;
    const char* text;
};

constexpr CmeRow kCmeTexts[] = {
    {0, "phone failure"},
    {3, "operation not allowed"},
    {4, "operation not supported"},
    {5, "PH-SIM PIN required"},
    {6, "PH-FSIM PIN required"},
    {7, "PH-FSIM PUK required"},
    {10, "SIM not inserted"},
    {11, "SIM PIN required"},
    {12, "SIM PUK required"},
    {13, "SIM failure"},
    {14, "SIM busy"},
    {15, "SIM wrong"},
    {16, "incorrect password"},
    {17, "SIM PIN2 required"},
    {18, "SIM PUK2 required"},
    {20, "memory full"},
    {21, "invalid index"},
    {22, "not found"},
    {24, "text string too long"},
    {25, "invalid characters in text string"},
    {26, "dial string too long"},
    {27, "invalid characters in dial string"},
    {30, "no network service"},
    {32, "network not allowed - emergency calls only"},
    {40, "network personalization PIN required"},
    {41, "network personalization PUK required"},
    {100, "unknown"},
};

}  // namespace

const DialectTraits& TraitsOf(Dialect dialect) {
    return dialect == Dialect::kStandard ? kStandard : kPellion;
}

std::optional<Dialect> DialectFromName(std::string_view name) {
    if (name == kPellion.name) return Dialect::kPellion;
    if (name == kStandard.name) return Dialect::kStandard;
    return std::nullopt;
}

const char* CmeText(int code) {
    for (const CmeRow& r : kCmeTexts)
        if (r.code == code) return r.text;
    return nullptr;
}

}  // namespace qmx2::hardware::card

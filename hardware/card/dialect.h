// The two ways the emulated card words its answers, as a constant table: the card the system
// was made for ("pellion") and a typical modem of today ("standard").
#pragma once

#include <optional>
#include <string_view>

#include "hardware/card/scenario.h"

namespace qmx2::hardware::card {

struct DialectTraits {
    const char* name;
    int cmee_at_start;          // 0: plain ERROR; 1: +CME ERROR by number
    int cops_format_at_start;   // 0 long name, 2 numeric
    // The Pellion lists operators flat and without names ("2,,,24405,1,,,24491"); a standard
    // modem lists "(2,"long","short","24405",0)" groups.
    bool cops_list_flat;
    const char* cops_list_tail;  // supported modes and formats after the list
    // The Pellion reports "00000" as the operator while it is not registered; a standard modem
    // reports the mode alone.
    bool cops_zeros_unregistered;
    bool cops_numeric_quoted;
    bool cops_access_technology;  // a fourth field ",0" (GSM) after the operator
    bool ati_detailed;            // ATI answers manufacturer, model, revision and IMEI lines
};

const DialectTraits& TraitsOf(Dialect dialect);
std::optional<Dialect> DialectFromName(std::string_view name);

// The verbose texts of +CME ERROR codes (AT+CMEE=2); nullptr for an unknown code.
const char* CmeText(int code);

}  // namespace qmx2::hardware::card

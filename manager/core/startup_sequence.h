// The start-up command sequence that sizes the SIM's message memory and both phone books and
// waits for an operator, the registry reading at main-window creation, and the report of the
// card's settings to the commander.
#pragma once

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr int kOperatorTries = 40;
inline constexpr uint32_t kOperatorRetryMs = 3000;
// Bounds of the two repetitions that would otherwise retry a card that never answers for ever.
inline constexpr int kSizeTries = 40;
inline constexpr uint32_t kSizeRetryMs = 1000;
// A card reporting more message slots than this is taken at this many.
inline constexpr int kMaxSimMessageSlots = 1000;

inline constexpr char16_t kNoCurrentOperator[] = u"No current operator.";
inline constexpr char16_t kNoCardBookSize[] = u"Fail to get card phone book size.";
inline constexpr char16_t kNoSimMemorySize[] = u"Fail to get SIM message memory size.";
inline constexpr char16_t kNoSimBookSize[] = u"Fail to get SIM phone book size.";
inline constexpr char kStartupNoteTitle[] = "Important Note";
inline constexpr char kStartupNoteCheckBox[] = "Do not show this message during start-up";
inline constexpr char16_t kStartupNoteText[] =
    u"Remember to close the Pellion monitor program before making any data call connection.";

// Main-window creation: "StartUpFlag" "Off" suppresses the "Important Note" (also shown when
// the key is missing); "useDefSMSCenter" "Off" clears the default-centre flag.
void ReadStartupSettings(ManagerContext& ctx);

// Runs on the window thread while the worker sits in state 1. Shows its own failure message;
// the caller then shows "Network or Pellion problem.".
bool RunStartupSequence(ManagerContext& ctx);

// AT+CLCK="PS",2, AT+COPS? and AT+CLCK="SC",2, each reported to the commander (7027/7028,
// 6025/6026, 7025/7026); the commands are sent even when the commander is absent.
void ReportCardSettings(ManagerContext& ctx);

// The total of the first memory in a "+CPMS:" reply, or -1 when the reply does not have it.
int ParseMessageSlots(std::string_view reply);

// The messages in use, the number before the first comma of a "+CPMS:" reply; 0 without one.
int ParseMessagesUsed(std::string_view reply);

// The numeric operator of an "AT+COPS?" reply: the text after ",2," up to the CR, without
// quotes; empty when there is no operator (no ",2,", or "00000"). An access technology after
// the code (",7") is not part of it.
std::string ParseOperatorCode(std::string_view reply);

// The operator's name from an "AT+COPS?" reply: the numeric code looked up in the manager's
// table or, from a modem that answers in the long or short name format (as standard modems do
// from power-up), the name it gives. Empty when the card reports no operator.
std::string OperatorNameFromReply(ManagerContext& ctx, std::string_view reply);

}  // namespace qmx2::manager

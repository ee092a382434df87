// Message-centre profiles: the validity codes, the table kept packed, and applying a profile or
// the SIM's own centre to the card with AT+CSCA, AT+CSMP and AT+CSAS.
#pragma once

#include <string>

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char16_t kCannotSetCentre[] = u"Cannot set message centre.";
inline constexpr char16_t kNoUserProfile[] = u"No user defined SMS center profile, use SIM default.";
inline constexpr int kCentreTimeoutS = 10;
inline constexpr std::size_t kMaxProfileChars = 19;

inline constexpr int kValidityChoices = 6;
// "1 hour", "6 hours", "24 hours", "72 hours", "1 week", "Maximum time".
const char* ValidityLabel(int choice);
int ValidityCode(int choice);  // 0, 5, 23, 71, 167, 255
// The choice of a stored code; a code not in the table (a damaged file) reads as "24 hours".
int ValidityChoice(int32_t code);
// The relative validity sent in AT+CSMP: 11, 71, 167, 169, 173, 255.
int ValidityValue(int32_t code);
inline constexpr int kDefaultValidityChoice = 2;

// "Text", "E-mail", "Fax", "Paging" for 1 to 4; empty for 0 or anything else.
const char* SendingFormatLabel(uint8_t format);

bool ProfileUsed(const MessageCentreProfile& p);
// True when some profile has a centre number; otherwise shows kNoUserProfile.
bool UserProfilesExist(ManagerContext& ctx);
int FirstFreeProfile(const ManagerContext& ctx);  // -1 when all 10 are used
int UsedProfiles(const ManagerContext& ctx);
// Clears the profile and moves every later one up, so the table stays packed.
void DeleteProfile(ManagerContext& ctx, int index);
void SwapWithCurrent(ManagerContext& ctx, int index);

// The centre number as it goes between the quotes of AT+CSCA: a leading "+", digits, "*", "#".
std::string CentreArgument(const MessageCentreProfile& p);

// Applies profile `index` (claimed for the whole exchange) and makes it profile 0. A number with
// nothing dialable in it is refused before anything is sent, since AT+CSCA="" would quietly
// select the SIM's centre instead. False (after "Cannot set message centre.") on refusal.
bool ApplyProfile(ManagerContext& ctx, int index);
// AT+CSCA="": sets the default-centre flag on OK.
bool ApplySimDefault(ManagerContext& ctx);
// When the "Messages" page closes: the centre of profile 0 (or the SIM's), then its validity.
bool ApplyOnMessagesPageClose(ManagerContext& ctx);

}  // namespace qmx2::manager

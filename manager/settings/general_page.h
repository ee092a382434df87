// The "General" page of the "Settings" sheet (dialog 162): the language, the voice-mailbox
// number and options 4 to 7 of the option block. Two options and the voice-mailbox number are
// on the page but hidden; they are loaded and written back unchanged.
#pragma once

#include <string>
#include <vector>

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char kLanguageEnglish[] = "English";
inline constexpr int kVoiceMailboxChars = 20;

struct GeneralPage {
    std::vector<std::string> languages{kLanguageEnglish};  // "Language:" offers only English
    int language = 0;
    bool confirm_on_delete = false;       // "Confirm on delete", option 4
    bool empty_deleted_on_exit = false;   // "Empty Deleted Items on exit", option 5
    bool cell_info_display = false;       // "Cell info display", option 6 (hidden)
    bool exit_when_card_removed = false;  // "Exit program when card removed", option 7 (hidden)
    std::string voice_mailbox;            // hidden edit, at most 20 characters
};

// The controls set from the stored values.
GeneralPage OpenGeneralPage(ManagerContext& ctx);
// The page is destroyed (the sheet closed with OK, Cancel or otherwise): the language text, the
// voice-mailbox number and the four options are taken from the controls.
void DestroyGeneralPage(ManagerContext& ctx, const GeneralPage& page);

}  // namespace qmx2::manager

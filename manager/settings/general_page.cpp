// "General" settings page.
#include "manager/settings/general_page.h"

#include <mutex>

namespace qmx2::manager {

GeneralPage OpenGeneralPage(ManagerContext& ctx) {
    GeneralPage page;
    std::lock_guard lock(ctx.tables);
    const OptionBlock& o = ctx.options;
    page.confirm_on_delete = o.confirm_on_delete != 0;
    page.empty_deleted_on_exit = o.empty_deleted_on_exit != 0;
    page.cell_info_display = o.cell_info_display != 0;
    page.exit_when_card_removed = o.exit_when_card_removed != 0;
    page.voice_mailbox = std::string(FieldText(o.voice_mailbox)).substr(0, kVoiceMailboxChars);
    return page;
}

void DestroyGeneralPage(ManagerContext& ctx, const GeneralPage& page) {
    const bool valid = page.language >= 0 &&
                       page.language < static_cast<int>(page.languages.size());
    std::lock_guard lock(ctx.tables);
    OptionBlock& o = ctx.options;
    SetField(o.language, valid ? page.languages[static_cast<std::size_t>(page.language)]
                               : std::string(kLanguageEnglish));
    SetField(o.voice_mailbox, std::string_view(page.voice_mailbox).substr(0, kVoiceMailboxChars));
    o.confirm_on_delete = page.confirm_on_delete ? 1 : 0;
    o.empty_deleted_on_exit = page.empty_deleted_on_exit ? 1 : 0;
    o.cell_info_display = page.cell_info_display ? 1 : 0;
    o.exit_when_card_removed = page.exit_when_card_removed ? 1 : 0;
}

}  // namespace qmx2::manager

// Deleting messages: SIM messages are deleted on the card and kept as "(DEL)" copies in a
// handheld slot, handheld messages are marked "(DEL)", and in "Deleted Messages" they are gone.
#pragma once

#include <vector>

#include "manager/core/manager_context.h"
#include "manager/messages/folder_view.h"

namespace qmx2::manager {

inline constexpr char16_t kConfirmDeleteMessage[] = u"Do you want to delete?";

// `rows` are the hidden-column values (slot + 1) of the marked rows, top to bottom. Returns the
// number of rows handled (0 when the confirmation was answered No).
int DeleteMessages(ManagerContext& ctx, Folder current, const std::vector<int>& rows);

}  // namespace qmx2::manager

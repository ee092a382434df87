// The handheld's wait cursor: shown or not, however often it is asked for (the programs show and
// remove it as a state, not in pairs).
#pragma once

namespace qmx2::platform::qt {

void SetWaitCursor(bool shown);
bool WaitCursorShown();

}  // namespace qmx2::platform::qt

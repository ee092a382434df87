// Loading and saving the four local data files of "\Program Files\QMX2" and their start-of-run
// ".sav" copies.
#pragma once

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char kMessageFile[] = "pcmsg.txt";
inline constexpr char kBookFile[] = "phonebk.txt";
inline constexpr char kProfileFile[] = "msggrp.txt";
inline constexpr char kOptionFile[] = "misc.txt";

// At start-up, after the tables are allocated: copies msggrp, pcmsg and phonebk ".txt" to
// ".sav", reads the four files (a missing file leaves its data zero), and takes the data-call
// setting from "ATModemCmd".
void LoadDataFiles(ManagerContext& ctx);

// When the main window is destroyed: writes "ATModemCmd" and the four files. A file that cannot
// be written keeps its content of the start of the run and the user sees its path followed by
// " - save error!". Returns the number of files that could not be written.
int SaveDataFiles(ManagerContext& ctx);

// Writes "pcmsg.txt" from the handheld slots now: a message moved off the SIM must be on the
// handheld's disk before its SIM copy is deleted, or a crash in between loses it. On failure the
// user sees the path followed by " - save error!" and false comes back.
bool SaveMessageFile(ManagerContext& ctx);

}  // namespace qmx2::manager

#!/usr/bin/env bash
# Renders the programs' windows offscreen into build/screenshots/, one PNG per window named
# after it, so that a reviewer can look at every window without a desktop.
#   scripts/screenshots.sh [build-folder]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=$build/screenshots
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen

cmake --build "$build" --target peghelp setup-screenshots qmx2_setup_files commander_screenshots manager_screenshots >/dev/null

# The help viewer, on the contents, on a topic, and on a topic that does not exist.
"$build/bin/peghelp" --screenshot "$out/help-viewer-contents.png" "qmx2.htc" 2>/dev/null
"$build/bin/peghelp" --screenshot "$out/help-viewer-topic.png" "qmx21.htp#WRITEMESSAGE" 2>/dev/null
"$build/bin/peghelp" --screenshot "$out/help-viewer-missing-topic.png" "qmx29.htp#NOWHERE" 2>/dev/null

# The installer: wizard pages, licence, progress, its message boxes; the application manager's
# three windows.
"$build/bin/setup-screenshots" "$out" >/dev/null 2>&1

# The commander: main window, code dialogs (one per kind, named by the kind's number), PUK and
# PUK2, change code, "Select Network", about box, tray popup and its message boxes.
"$build/bin/commander_screenshots" "$out" 2>/dev/null

# The phone manager: the monitor window searching and with bars and operator, its about box, the
# message box of a window not built yet, the message window with folder tree and with drop-down,
# the message dialog, the write window with the counter red, "Select Recipients", "Recent
# Recipients", "Select Number", the "Settings" sheet on "General", on "Network" (after a search)
# and on "Modem", the contact window loading and with entries, and its dialogs (new and edit
# entry, copy to, paste contact), the "Messages" and "Security" pages with the message-centre and
# access-code dialogs.
"$build/bin/manager_screenshots" "$out" 2>/dev/null

ls -1 "$out"/*.png

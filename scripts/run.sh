#!/usr/bin/env bash
# Sets up, builds and starts the system on the emulated GSM card in a handheld root of its own:
# the device host inserts the emulated PC Card and loads the serial driver, whose COM_Init starts
# the commander, which powers the card and asks for the SIM's PIN: in a dialog beside its tray
# icon when there is a display, here in the terminal when there is none. The phone manager
# without windows, qmx2ctl, then works against the card from another terminal.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

export QMX2_ROOT=${QMX2_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/qmx2/handheld}
scenario=${QMX2_SCENARIO:-$here/hardware/scenarios/fresh-sim.json}
mkdir -p "$QMX2_ROOT"
# The driver powers the card up as soon as it is loaded, as the commander's menu would.
build/bin/qmx2-reg add 'HKLM\Software\Orvan\SERQMX2' /v autopowerup /t REG_DWORD /d 1 /f >/dev/null

cat <<MSG
handheld root: $QMX2_ROOT
emulated card: $scenario (the SIM's PIN is 1234, its PUK 12345678)
commander: $(if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then echo "tray icon and dialogs on the display (click the icon for its menu)"; else echo "no display: it asks here"; fi)

The phone manager with windows: "Open Monitor" in the commander's tray menu (with a display).
In another terminal, the phone manager without windows:
  export QMX2_ROOT=$QMX2_ROOT
  $here/build/bin/qmx2ctl status            # operator, signal, memory, books
  $here/build/bin/qmx2ctl sms list Inbox
  $here/build/bin/qmx2ctl pb list SIM
  $here/build/bin/qmx2ctl sms send --to +358401234567 "Hello"
  $here/build/bin/qmx2ctl --help
and a look at the card itself:
  $here/build/bin/qmx2-at --show-escapes AT+CSQ 'AT+COPS?'
Ctrl-C here pulls the card out.

MSG
exec build/bin/qmx2-device --card "sim=$scenario"

#!/usr/bin/env bash
# Sets up, builds and starts the system on the emulated GSM card in a handheld root of its own:
# the device host inserts the emulated PC Card and loads the serial driver, whose COM_Init starts
# the commander, which powers the card and asks for the SIM's PIN: in a dialog beside its tray
# icon when there is a display, here in the terminal when there is none. With a display the phone
# manager's windows then open by themselves, in the shell QMX2_SHELL names: ppc (Qmx2PPC, the
# default) or hpc (Qmx2HPC, the Handheld PC's command bar and larger main window); the commander's
# "Open Monitor" starts the same one. The phone manager without windows, qmx2ctl, works against
# the card from another terminal.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

shell=${QMX2_SHELL:-ppc}
case $shell in
  ppc) manager=Qmx2PPC ;;
  hpc) manager=Qmx2HPC ;;
  *) echo "run.sh: QMX2_SHELL is ppc or hpc, not \"$shell\"" >&2; exit 2 ;;
esac
# The device host installs the manager of this kind of handheld as the one the commander starts.
export QMX2_SHELL=$shell
display=${DISPLAY:-}${WAYLAND_DISPLAY:-}

export QMX2_ROOT=${QMX2_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/qmx2/handheld}
scenario=${QMX2_SCENARIO:-$here/hardware/scenarios/fresh-sim.json}
mkdir -p "$QMX2_ROOT"
# The driver powers the card up as soon as it is loaded, as the commander's menu would.
build/bin/qmx2-reg add 'HKLM\Software\Orvan\SERQMX2' /v autopowerup /t REG_DWORD /d 1 /f >/dev/null

cat <<MSG
handheld root: $QMX2_ROOT
emulated card: $scenario (the SIM's PIN is 1234, its PUK 12345678)
commander: $(if [ -n "$display" ]; then echo "tray icon and dialogs on the display (click the icon for its menu)"; else echo "no display: it asks here"; fi)
phone manager: $manager$(if [ -n "$display" ]; then echo ", its windows open once the card is ready; \"Open Monitor\" in the tray menu brings them back"; else echo " without a display: use qmx2ctl below"; fi)

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
if [ -z "$display" ]; then
  exec build/bin/qmx2-device --card "sim=$scenario"
fi

# With a display: the device host (and the commander it starts) in the background, its log both
# here and in a file, and the manager once the commander says the card is ready (after the PIN).
log=$(mktemp "${TMPDIR:-/tmp}/qmx2-run.XXXXXX")
build/bin/qmx2-device --card "sim=$scenario" 2> >(tee "$log" >&2) &
host=$!
trap 'kill -TERM "$host" 2>/dev/null || true; wait "$host" 2>/dev/null || true; rm -f "$log"' EXIT
trap 'exit 130' INT TERM
until grep -q "the card is ready" "$log"; do
  kill -0 "$host" 2>/dev/null || exit 1
  sleep 1
done
build/bin/$manager &
wait "$host"

#!/usr/bin/env bash
# Kills a real `qmx2ctl sms move POS --to PDA` at random points, RUNS times (default 100), on the
# emulated card, and checks after every kill that the moved message is still on the SIM or in
# "pcmsg.txt", never neither. Prints one line per run and the counts at the end; exits 1 when a
# message was lost. Needs the programs built in build/ (scripts/run.sh or cmake --build build).
#
#   scripts/kill_move.sh [RUNS] [SEED]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$here/build/bin
runs=${1:-100}
RANDOM=${2:-$$}
scenario=$here/hardware/scenarios/full-sim.json  # 30 read messages, no PIN asked
root=$(mktemp -d "${TMPDIR:-/tmp}/qmx2-kill-move.XXXXXX")
export QMX2_ROOT=$root
pcmsg="$root/Program Files/QMX2/pcmsg.txt"
device=

stop_device() {
    if [[ -n $device ]]; then
        kill "$device" 2>/dev/null || true
        wait "$device" 2>/dev/null || true
        device=
    fi
}
trap 'stop_device; rm -rf "$root" "$root.device.log"' EXIT

# A fresh handheld with a fresh emulated card holding 30 messages on the SIM.
start_device() {
    stop_device
    rm -rf "${root:?}"/*
    "$bin/qmx2-reg" add 'HKLM\Software\Orvan\SERQMX2' /v autopowerup /t REG_DWORD /d 1 /f >/dev/null
    "$bin/qmx2-device" --card "sim=$scenario" </dev/null >"$root.device.log" 2>&1 &
    device=$!
    # The commander powers and readies the card first, holding the port meanwhile.
    for _ in $(seq 300); do
        grep -q "the card is ready" "$root.device.log" && return 0
        sleep 0.2
    done
    echo "the card did not become ready: $(cat "$root.device.log")" >&2
    exit 2
}

# Whether SIM index $1 still holds text $2: 1 or 0. The killed program's open may hold the port a
# moment longer, and a reply on a loaded machine may come with bytes lost on the line: an answer
# counts only when the part after the echo of AT+CMGR ends with the card's final result, and a
# reply that neither holds the whole text nor says the slot is empty is read again.
on_sim() {
    local out
    for _ in $(seq 50); do
        sleep 0.3
        out=$("$bin/qmx2-at" AT 'AT+CMGF=1' "AT+CMGR=$1" 2>/dev/null | tr -d '\r') || true
        [[ $out == *"AT+CMGR=$1"* ]] || continue
        out=${out##*"AT+CMGR=$1"}
        if [[ $out == *"+CMS ERROR"* ]]; then
            echo 0
            return 0
        fi
        if [[ $out == *"$2"* && $(grep -v '^$' <<<"$out" | tail -1) == OK ]]; then
            echo 1
            return 0
        fi
    done
    return 1
}

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

start_device
# The length of a whole move, killed nowhere (the shorter of two): the kills fall from 40% of it,
# well inside the message load, to a little past its end, where the card traffic and the file
# writes of the move itself are.
move_s=
for index in 30 29; do
    t0=$(now)
    "$bin/qmx2ctl" sms move "$index" --to PDA >/dev/null 2>&1 || true
    t=$(elapsed "$t0")
    move_s=$(awk -v a="${move_s:-$t}" -v b="$t" 'BEGIN { printf "%.2f", a < b ? a : b }')
done
from=${KILL_FROM:-$(awk -v m="$move_s" 'BEGIN { printf "%.2f", m * 0.4 }')}
to=${KILL_TO:-$(awk -v m="$move_s" 'BEGIN { printf "%.2f", m * 1.05 }')}
echo "whole move ${move_s}s: kills at random from ${from}s to ${to}s"

sim_only=0 disk_only=0 both=0 neither=0 finished=0
next=1
for run in $(seq "$runs"); do
    if ((next > 28)); then
        start_device
        next=1
    fi
    index=$next
    next=$((next + 1))
    text="Message number $index on a full SIM."
    delay=$(awk -v f="$from" -v t="$to" -v r="$RANDOM" 'BEGIN { printf "%.3f", f + (t - f) * r / 32767 }')
    "$bin/qmx2ctl" sms move "$index" --to PDA >/dev/null 2>&1 &
    ctl=$!
    sleep "$delay"
    if kill -KILL "$ctl" 2>/dev/null; then how=killed; else how=ended; finished=$((finished + 1)); fi
    wait "$ctl" 2>/dev/null || true
    on_sim=$(on_sim "$index" "$text") || { echo "run $run: no clear answer for SIM index $index" >&2; exit 2; }
    on_disk=0
    # The handheld copy is the record the load read; its number or its text, should a byte of the
    # other have been lost on the line, names it.
    [[ -f $pcmsg ]] && grep -qaF -e "$text" -e "$(printf '+3584010000%02d' "$index")" "$pcmsg" && on_disk=1
    case "$on_sim$on_disk" in
        10) verdict="SIM only" sim_only=$((sim_only + 1)) ;;
        01) verdict="PDA only" disk_only=$((disk_only + 1)) ;;
        11) verdict="SIM and PDA" both=$((both + 1)) ;;
        *) verdict="LOST" neither=$((neither + 1))
           lost=${TMPDIR:-/tmp}/qmx2-kill-move-lost-$run
           mkdir -p "$lost"
           cp -r "$root/Program Files" "$lost/" 2>/dev/null || true
           verdict="LOST (kept in $lost)" ;;
    esac
    printf 'run %3d: message %2d, %s at %ss: %s\n' "$run" "$index" "$how" "$delay" "$verdict"
done
echo "runs $runs: SIM only $sim_only, PDA only $disk_only, SIM and PDA $both, lost $neither" \
     "($finished moves had ended before their kill)"
((neither == 0))

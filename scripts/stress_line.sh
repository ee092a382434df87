#!/usr/bin/env bash
# Runs `qmx2ctl pb list SIM` and `qmx2ctl sms list` RUNS times each against the emulated card
# (full-sim.json: 250 phone-book entries, 30 messages) while HOGS busy loops compete for the
# CPUs, and compares every output with the scenario's contents. Everything it starts, the
# device host and the programs included, runs at nice 19 beside the hogs: they meet the load
# of a busy machine while the rest of the machine keeps its share. Prints one line per
# mismatch and the figures at the end; exits 1 when an output differed.
# Needs the programs built in build/ (qmx2-device, qmx2ctl, qmx2-at, Qmx2Com, qmx2-reg, serqmx2,
# pcmcia).
#
#   scripts/stress_line.sh [RUNS] [HOGS]      (defaults 20, 4)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$here/build/bin
runs=${1:-20}
hogs=${2:-4}
scenario=$here/hardware/scenarios/full-sim.json
root=$(mktemp -d "${TMPDIR:-/tmp}/qmx2-stress-line.XXXXXX")
export QMX2_ROOT=$root
device=
hog_pids=()

cleanup() {
    for pid in "${hog_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [[ -n $device ]]; then
        kill "$device" 2>/dev/null || true
        wait "$device" 2>/dev/null || true
    fi
    for pid in "${hog_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$root" "$root.device.log"
}
trap cleanup EXIT

"$bin/qmx2-reg" add 'HKLM\Software\Orvan\SERQMX2' /v autopowerup /t REG_DWORD /d 1 /f >/dev/null
nice -n 19 "$bin/qmx2-device" --card "sim=$scenario" </dev/null >"$root.device.log" 2>&1 &
device=$!
ready=0
for _ in $(seq 300); do
    if grep -q "the card is ready" "$root.device.log"; then ready=1; break; fi
    sleep 0.2
done
if (( !ready )); then
    echo "the card did not become ready: $(cat "$root.device.log")" >&2
    exit 2
fi

# What the scenario holds, as qmx2ctl prints it.
python3 - "$scenario" "$root" <<'EOF'
import json, sys
sim = json.load(open(sys.argv[1]))["sim"]
with open(sys.argv[2] + "/expected_pb", "w") as f:
    for e in sim["phonebooks"]["SM"]["entries"]:
        f.write(f"{e['index']}\t{e['name']}\t{e['number']}\n")
with open(sys.argv[2] + "/expected_texts", "w") as f:
    for m in sorted(sim["messages"]["list"], key=lambda m: m["text"]):
        f.write(m["text"] + "\n")
EOF

# The message list without its read marks (a listing reads the unread ones): the texts, sorted.
sms_texts() { awk -F'\t' 'NR > 1 { print $NF }' "$1" | sort; }

mismatches=0
show_mismatch() {  # what, run, expected file, got file
    mismatches=$((mismatches + 1))
    echo "run $2: $1 differs from the scenario:"
    diff "$3" "$4" | head -8 || true
}

# The listing marks unread messages read: the second quiet one is what every later one gives.
list_all() { "$bin/qmx2-at" --port COM3: --timeout 30 'AT+CMGL="ALL"'; }
"$bin/qmx2-at" --port COM3: 'AT+CMGF=1' >/dev/null
list_all >/dev/null
list_all >"$root/expected_cmgl"

for pid in $(seq "$hogs"); do
    nice -n 19 bash -c 'while :; do :; done' &
    hog_pids+=($!)
done

start=$(date +%s)
for run in $(seq "$runs"); do
    nice -n 19 timeout 120 "$bin/qmx2ctl" pb list SIM >"$root/pb" 2>"$root/pb.err" || true
    if ! cmp -s "$root/expected_pb" "$root/pb"; then
        show_mismatch "pb list SIM" "$run" "$root/expected_pb" "$root/pb"
        cat "$root/pb.err"
    fi
    nice -n 19 timeout 120 "$bin/qmx2ctl" sms list >"$root/sms" 2>"$root/sms.err" || true
    sms_texts "$root/sms" >"$root/sms_texts"
    if [[ $(head -1 "$root/sms") != "Inbox: 30 messages" ]] ||
        ! cmp -s "$root/expected_texts" "$root/sms_texts"; then
        show_mismatch "sms list" "$run" "$root/expected_texts" "$root/sms_texts"
        head -1 "$root/sms"
        cat "$root/sms.err"
    fi
    nice -n 19 timeout 120 "$bin/qmx2-at" --port COM3: --timeout 30 'AT+CMGL="ALL"' \
        >"$root/cmgl" 2>&1 || true
    if ! cmp -s "$root/expected_cmgl" "$root/cmgl"; then
        mismatches=$((mismatches + 1))
        echo "run $run: AT+CMGL=\"ALL\" gave $(wc -c <"$root/cmgl") bytes, not $(wc -c <"$root/expected_cmgl")"
    fi
done
load=$(cut -d' ' -f1-3 /proc/loadavg)
echo "runs: $runs x (pb list SIM, sms list, AT+CMGL), hogs: $hogs at nice 19, $(($(date +%s) - start)) s," \
    "load average at the end: $load, mismatches: $mismatches"
(( mismatches == 0 ))

#!/usr/bin/env bash
# Sets up, builds and starts the system on the emulated GSM card in a handheld root of its own.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
export QMX2_ROOT=${QMX2_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/qmx2/handheld}
mkdir -p "$QMX2_ROOT"
echo "handheld root: $QMX2_ROOT"
if [ -x build/bin/qmx2-device ]; then
  exec build/bin/qmx2-device --root "$QMX2_ROOT" --card "sim=${QMX2_SCENARIO:-$here/hardware/scenarios/fresh-sim.json}"
fi
echo "the device host is not built yet; tests: ./scripts/test.sh"

#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build and once with the address and
# undefined-behaviour sanitizers. Set QMX2_SKIP_SANITIZE=1 to skip the second pass.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
./scripts/setup.sh

jobs=$(nproc)
run_pass() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  # Tests on the virtual clock must pass the first time. Process tests start real programs;
  # one retry keeps a loaded machine from failing a run, while a real fault fails both tries.
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 180 -LE process)
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 180 -L process \
     --repeat until-pass:2)
}

echo "== build and test"
run_pass build
if [ "${QMX2_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== build and test with address and undefined-behaviour sanitizers"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_pass build-asan -DQMX2_SANITIZE=ON -DQMX2_BENCH=OFF -DQMX2_GUI=OFF
fi

#!/usr/bin/env bash
# Builds the library, tools, benchmarks and tests with warnings as errors and runs the whole
# test suite (the benchmarks are built so that they keep compiling; their own tests, of the
# parts and the report, run with the rest; the timed suite itself is bench/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${QVR_BUILD_DIR:-build}
# The same configuration as scripts/demo.sh: the demo's build is reused, not rebuilt.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQVR_WERROR=ON -DQVR_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

#!/usr/bin/env bash
# Builds the library, tools and tests with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${QVR_BUILD_DIR:-build}
# The same configuration as scripts/demo.sh: the demo's build is reused, not rebuilt.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQVR_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

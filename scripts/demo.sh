#!/usr/bin/env bash
# Builds the library and the qvr host, then runs the built-in demo (outputs in ./qvr-demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${QVR_BUILD_DIR:-build}
# The same configuration as scripts/test.sh, so that the test command reuses this build instead
# of recompiling the tree for a changed warning setting.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQVR_WERROR=ON -DQVR_BUILD_BENCH=ON >/dev/null
if [ -f tools/qvr/CMakeLists.txt ]; then
  cmake --build "$build" -j"$(nproc)" --target qvr
  "$build"/tools/qvr/qvr demo "$@"
else
  cmake --build "$build" -j"$(nproc)" --target qvr_example_kernel
  "$build"/examples/qvr_example_kernel examples/data/cube.nqb
fi

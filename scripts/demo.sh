#!/usr/bin/env bash
# Builds the library and the qvr host, then runs the built-in demo (outputs in ./qvr-demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${QVR_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ -f tools/qvr/CMakeLists.txt ]; then
  cmake --build "$build" -j"$(nproc)" --target qvr
  "$build"/tools/qvr/qvr demo "$@"
else
  cmake --build "$build" -j"$(nproc)" --target qvr_example_kernel
  "$build"/examples/qvr_example_kernel examples/data/cube.nqb
fi

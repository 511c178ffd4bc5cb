#!/usr/bin/env bash
# clang-tidy over the library core with the checks of .clang-tidy; exits non-zero on any finding.
# Uses (and if needed makes) a configure-only build folder for the compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QVR_TIDY_BUILD:-build-tidy}
if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DQVR_BUILD_TESTS=OFF \
    -DQVR_BUILD_TOOLS=OFF >/dev/null
fi
mapfile -t sources < <(git ls-files 'kernel/*.cpp' 'search/*.cpp' 'geometry/*.cpp' 'extract/*.cpp')
clang_tidy=$(command -v clang-tidy || command -v clang-tidy-14)
status=0
for source in "${sources[@]}"; do
  "$clang_tidy" -p "$build" --quiet "$source" 2>/dev/null || status=1
done
exit "$status"

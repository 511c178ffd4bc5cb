#!/usr/bin/env bash
# Cross-builds QVROptKer.dll, qvr.exe and the tests for 64-bit Windows with MinGW-w64 and runs
# the tests under Wine. Installs the Debian packages it needs when missing.
#   QVR_WINDOWS_BUILD_DIR  build folder (build-windows); the Wine prefix lives inside it
#   QVR_LINUX_QVR          a Linux qvr to compare `qvr demo` with (build/tools/qvr/qvr when built)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/packages.sh
build=$(realpath -m "${QVR_WINDOWS_BUILD_DIR:-build-windows}")
linux_qvr=$(realpath -m "${QVR_LINUX_QVR:-build/tools/qvr/qvr}")
jobs=$(nproc)

packages=(cmake make g++-mingw-w64-x86-64-posix mingw-w64 binutils-mingw-w64-x86-64 wine wine64
          googletest libcli11-dev libz-mingw-w64-dev)
install_missing_packages "${packages[@]}"

echo "== cross-build with MinGW-w64 (warnings as errors)"
step_start=$SECONDS
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQVR_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$jobs"
echo "build step: $((SECONDS - step_start)) s"

# A private, quiet Wine set up once per build folder.
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== setting up the Wine prefix"
  step_start=$SECONDS
  wineboot -i >/dev/null 2>&1
  wineserver -w
  echo "Wine prefix: $((SECONDS - step_start)) s"
fi

if [ -x "$linux_qvr" ]; then
  echo "== qvr demo: Windows build under Wine against the Linux build"
  # Both runs write to a folder of the same name: the file names appear inside some outputs.
  demo=$(mktemp -d)
  mkdir "$demo/windows" "$demo/linux"
  (cd "$demo/windows" && wine "$build/bin/qvr.exe" demo --out out >stdout.txt)
  (cd "$demo/linux" && "$linux_qvr" demo --out out >stdout.txt)
  same=0
  for f in "$demo"/linux/out/*; do
    name=$(basename "$f")
    if cmp -s "$f" "$demo/windows/out/$name"; then
      same=$((same + 1))
    else
      echo "qvr demo: $name differs between the Windows and the Linux build (outputs in $demo)"
      exit 1
    fi
  done
  echo "qvr demo: all $same output files byte for byte the same as the Linux build's"
  rm -rf "$demo"
fi

echo "== tests under Wine"
step_start=$SECONDS
log="$build/windows-tests.log"
set +e
ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 1200 | tee "$log"
status=${PIPESTATUS[0]}
set -e
echo "test step: $((SECONDS - step_start)) s"
# Each test program is one CTest test under Wine, so the cases it skipped are listed here with
# the reason GoogleTest printed.
echo "skipped cases:"
awk '/: Skipped$/ { reason = ""; collecting = 1; next }
     collecting && /^\[  SKIPPED \]/ { sub(/^\[  SKIPPED \] /, ""); sub(/ \([0-9]+ ms\)$/, "");
                                       print "  " $0 ": " reason; collecting = 0; next }
     collecting { reason = reason (reason == "" ? "" : " ") $0 }' \
  "$build/Testing/Temporary/LastTest.log" | sort -u
grep -E '^[0-9]+% tests passed' "$log" | tail -n 1
exit "$status"

#!/usr/bin/env bash
# Checks that every C++ source follows .clang-format; prints the files that do not.
# Fix with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null 2>&1 || {
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq clang-format >/dev/null
}
git ls-files '*.cpp' '*.h' '*.hpp' | grep -v -E '^tests/fuzz/(corpus|regressions)/' |
  xargs clang-format --dry-run --Werror
echo "format: every C++ source follows .clang-format"

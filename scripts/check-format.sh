#!/usr/bin/env bash
# Checks that every C++ source follows .clang-format; prints the files that do not.
# Fix with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
command -v clang-format >/dev/null 2>&1 || install_missing_packages clang-format
git ls-files '*.cpp' '*.h' '*.hpp' | grep -v -E '^tests/fuzz/(corpus|regressions)/' |
  xargs clang-format --dry-run --Werror
echo "format: every C++ source follows .clang-format"

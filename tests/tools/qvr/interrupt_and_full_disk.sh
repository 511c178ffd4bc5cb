#!/usr/bin/env bash
# Kills `qvr convert`, `qvr extract` and `qvr generate` at random moments (SIGINT, SIGKILL) and
# runs them on a full small file system, then checks that every file under its final name is
# either the one that was there before or a complete new one, and that extract's files are
# replaced as a set: after SIGINT or a full disk all old or all new; after SIGKILL, which can
# strike between two renames, new up to some file and old after it, in the order they are
# renamed.
#
# usage: interrupt_and_full_disk.sh QVR_EXECUTABLE [ROUNDS]
# Exit 77 (skipped) when no small file system can be mounted (not root, no tmpfs).
set -euo pipefail
qvr=$1
rounds=${2:-3}
work=$(mktemp -d)
small=$work/small
mounted=0
cleanup() {
  [ "$mounted" -eq 1 ] && umount "$small"
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
sum() { sha256sum "$1" | cut -d' ' -f1; }

# Two generations of every output: "old" from a small part, "new" from a larger one.
"$qvr" generate plate old.nqb old.k7t --nx 6 --ny 4 --nz 2 >/dev/null
"$qvr" generate plate src.nqb src.k7t --nx 150 --ny 80 --nz 3 >/dev/null
"$qvr" generate plate mid.nqb mid.k7t --nx 50 --ny 30 --nz 3 >/dev/null
commands=(convert extract generate)
args_convert() { echo "convert $1 $2/out.nqb --binary"; }
args_extract() { [ "$1" = old.nqb ] || set -- mid.nqb "$2"; echo "extract $1 ${1%.nqb}.k7t --out $2/ex"; }
args_generate() { echo "generate plate $2/gen.nqb $2/gen.k7t --nx 150 --ny 80 --nz 3"; }
# extract's files in the order it renames them.
extract_set=(ex/profiles.csv ex/profiles.vtu ex/profiles-rays.vtu ex/profile.svg)
outputs=(out.nqb "${extract_set[@]}" gen.nqb gen.k7t)
# Outputs that carry the time they were written say this one instead, so that runs compare.
export SOURCE_DATE_EPOCH=1700000000

# Writes both generations into old/ and new/ once, to compare with.
# The new generation's run times (ms) set the range of the kill moments.
mkdir -p old new
declare -A took
now_ms() { echo $(($(date +%s%N) / 1000000)); }
for c in "${commands[@]}"; do
  $qvr $(args_$c old.nqb old) >/dev/null
  start=$(now_ms)
  $qvr $(args_$c src.nqb new) >/dev/null
  took[$c]=$(($(now_ms) - start + 1))
done
# generate writes the same part whatever the input; its old generation is a smaller plate.
$qvr generate plate old/gen.nqb old/gen.k7t --nx 6 --ny 4 --nz 2 >/dev/null

# Every file under a final name in $1 is the old or the new one (or absent where it was absent).
check() {
  local dir=$1 f s
  for f in "${outputs[@]}"; do
    [ -e "$dir/$f" ] || fail "$dir/$f is gone"
    s=$(sum "$dir/$f")
    [ "$s" = "$(sum old/$f)" ] || [ "$s" = "$(sum new/$f)" ] || fail "$dir/$f is neither the previous file nor a complete new one"
  done
}
# extract's files in $1 as a string of o (old) and n (new) in their renaming order; $2 "whole":
# all old or all new, "prefix": new files before old ones only.
check_set() {
  local dir=$1 f state=""
  for f in "${extract_set[@]}"; do
    if [ "$(sum "$dir/$f")" = "$(sum new/$f)" ]; then state+=n; else state+=o; fi
  done
  if [ "$2" = whole ]; then
    [[ $state =~ ^(o+|n+)$ ]] || fail "extract's files in $dir are not one set ($state: o old, n new)"
  else
    [[ $state =~ ^n*o*$ ]] || fail "extract's files in $dir: an old file before a new one ($state)"
  fi
}
fresh() {  # a target folder holding the old generation
  mkdir -p "$1"; find "$1" -mindepth 1 -delete; cp -r old/. "$1"/
}

for ((round = 1; round <= rounds; ++round)); do
  for signal in INT KILL; do
    for c in "${commands[@]}"; do
      fresh run
      $qvr $(args_$c src.nqb run) >/dev/null 2>&1 &
      pid=$!
      sleep "$(awk -v ms=$((RANDOM % took[$c])) 'BEGIN { printf "%.3f", ms / 1000 }')"
      kill -s "$signal" "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      check run
      if [ "$c" = extract ]; then
        if [ "$signal" = INT ]; then check_set run whole; else check_set run prefix; fi
      fi
      if [ "$signal" = INT ]; then
        leftovers=$(find run -name '.*.tmp' | wc -l)
        [ "$leftovers" -eq 0 ] || fail "$c left $leftovers temporary files after SIGINT"
      fi
    done
  done
done
echo "interrupts: $((rounds * 2 * ${#commands[@]})) runs killed (convert ${took[convert]} ms, extract ${took[extract]} ms, generate ${took[generate]} ms uninterrupted), every output the previous or a complete new one, extract's as a set"

# A file system with room for the old generation and little more.
mkdir -p "$small"
old_bytes=$(du -sb old | cut -f1)
if ! mount -t tmpfs -o size=$((old_bytes + 262144)) tmpfs "$small" 2>mount.err; then
  echo "SKIP: the full-disk part needs a small tmpfs and mounting one failed: $(cat mount.err)"
  exit 77
fi
mounted=1
for c in "${commands[@]}"; do
  fresh "$small"
  if $qvr $(args_$c src.nqb "$small") >/dev/null 2>err.txt; then
    fail "$c reported success on a full file system"
  fi
  grep -q '^qvr: ' err.txt || fail "$c said nothing on a full file system"
  check "$small"
  [ "$c" != extract ] || check_set "$small" whole
  [ "$(find "$small" -name '.*.tmp' | wc -l)" -eq 0 ] || fail "$c left a temporary file on a full file system"
done
echo "full disk: every command failed with a message and kept the previous files"

#!/usr/bin/env bash
# The CAD-like parts' scripts still mesh and still make parts: each script of bench/cad meshed
# coarsely (element size x4, a few thousand cells) and run through every stage of the memory
# probe, which reads the mesh as the suite does and fails on any stage the library refuses.
#   cad_scripts_test.sh GMSH QVR_BENCH_MEMORY CAD_FOLDER
set -euo pipefail
gmsh=$1 probe=$2 cad=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/qvr-cad-test-XXXXXX")
trap 'rm -rf "$work"' EXIT

scripts=("$cad"/*.geo)
[ -e "${scripts[0]}" ] || { echo "no .geo script in $cad" >&2; exit 1; }
for script in "${scripts[@]}"; do
  name=$(basename "$script" .geo)
  if ! "$gmsh" -3 -bin -format msh41 -clscale 4 "$script" -o "$work/$name.msh" > "$work/$name.log" 2>&1; then
    echo "gmsh failed on $script:" >&2
    grep -m 5 "Error" "$work/$name.log" >&2 || tail -5 "$work/$name.log" >&2
    exit 1
  fi
done
"$probe" --qvr_sizes= --qvr_meshes="$work" > "$work/memory.csv"
for script in "${scripts[@]}"; do
  name=$(basename "$script" .geo)
  # The last stage a host runs: the part went through all of them.
  grep -q "^cad/$name,[0-9]*,get_fiber," "$work/memory.csv" || {
    echo "cad/$name did not reach the last stage:" >&2
    cat "$work/memory.csv" >&2
    exit 1
  }
done
echo "${#scripts[@]} CAD-like part scripts meshed and ran through every stage"

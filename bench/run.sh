#!/usr/bin/env bash
# Builds the benchmark suite in Release (build-bench/), runs it and the memory probe, and writes
#   bench/results/<date>.json         Google Benchmark output
#   bench/results/<date>.csv          one line per benchmark: time per item, rate
#   bench/results/<date>-memory.csv   peak memory per stage
#   docs/performance.md               tables, anchor ratios, memory (from the three above)
#   docs/performance-scaling.svg      time per item against mesh size, log-log
#
#   bench/run.sh           parts of 10^4, 10^5 and 10^6 cells (hexahedra and tetrahedra), and the
#                          CAD-like parts of bench/cad near 10^5 and 10^6 cells
#   bench/run.sh --quick   10^4 and 10^5 only, the CAD-like parts near 10^5 (results named
#                          <date>-quick)
# The CAD-like parts are Gmsh scripts meshed into tetrahedra here; without the gmsh command they
# are left out, and the page says so.
# Environment: QVR_BENCH_JOBS (build jobs, default: the CPU count), QVR_BENCH_MIN_TIME (seconds
# per benchmark run, default 0.1), TMPDIR (where the parts are generated), QVR_BENCH_COMMIT (the
# version the page names, default: git describe of the tree).
set -euo pipefail
cd "$(dirname "$0")/.."

sizes=10000,100000,1000000
suffix=""
quick=""
# Element size factor of the "-fine" CAD-like parts: the scripts' own sizes give some 10^5
# tetrahedra, and ten times the cells takes about 10^(-1/3) of the size.
fine_scale=0.46
for arg in "$@"; do
  case "$arg" in
    --quick) sizes=10000,100000; suffix="-quick"; quick="--quick"; fine_scale="" ;;
    *) echo "usage: bench/run.sh [--quick]" >&2; exit 2 ;;
  esac
done

# Google Benchmark is required; Boost.Geometry and Embree only add anchors, so a failed install
# of those leaves the suite without them rather than stopping it.
missing() { ! dpkg -s "$1" >/dev/null 2>&1; }
install() {
  local sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "$@" >/dev/null
}
if command -v dpkg >/dev/null 2>&1; then
  need=()
  for p in cmake g++ make libbenchmark-dev; do missing "$p" && need+=("$p"); done
  [ "${#need[@]}" -eq 0 ] || install "${need[@]}"
  for p in libboost-dev libembree-dev gmsh; do
    if missing "$p"; then install "$p" || echo "run.sh: $p not installed; its anchor is left out" >&2; fi
  done
fi

jobs=${QVR_BENCH_JOBS:-$(nproc)}
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQVR_BUILD_BENCH=ON -DQVR_BUILD_TESTS=OFF \
  -DQVR_BUILD_TOOLS=ON >/dev/null
cmake --build "$build" --target qvr_bench qvr_bench_memory qvr_bench_report -j"$jobs"

stamp=$(date +%Y-%m-%d)$suffix
mkdir -p bench/results docs
json=bench/results/$stamp.json
# Named before the run writes its results into the tree (which would make it look modified).
commit=${QVR_BENCH_COMMIT:-$(git describe --always --dirty 2>/dev/null || echo unknown)}
load_start=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo "?")
start=$(date +%s)

# The CAD-like parts: each script of bench/cad meshed into tetrahedra (binary MSH 4.1) in a
# scratch folder removed on exit; a script gmsh fails on is left out with a note.
parts_note=""
meshes=()
mesh_times=()
cad_dir=$(mktemp -d "${TMPDIR:-/tmp}/qvr-cad-XXXXXX")
trap 'rm -rf "$cad_dir"' EXIT
mesh_cad_part() {  # script, part name, extra gmsh options...
  local script=$1 name=$2 started seconds
  shift 2
  started=$(date +%s.%N)
  if gmsh -3 -bin -format msh41 "$@" "$script" -o "$cad_dir/$name.part.msh" \
      > "$cad_dir/$name.log" 2>&1 && mv "$cad_dir/$name.part.msh" "$cad_dir/$name.msh"; then
    seconds=$(awk "BEGIN { printf \"%.1f\", $(date +%s.%N) - $started }")
    meshes+=("$cad_dir/$name.msh")
    mesh_times+=("\`cad/$name\` $seconds s")
    echo "run.sh: meshed $name in $seconds s" >&2
  else
    echo "run.sh: gmsh failed on $script (see below); $name is left out" >&2
    grep -m 5 "Error" "$cad_dir/$name.log" >&2 || tail -5 "$cad_dir/$name.log" >&2
    parts_note+=" Left out of this run: \`cad/$name\` (gmsh failed on its script)."
  fi
}
if command -v gmsh >/dev/null 2>&1; then
  for script in bench/cad/*.geo; do
    mesh_cad_part "$script" "$(basename "$script" .geo)"
  done
  if [ -n "$fine_scale" ]; then
    for script in bench/cad/*.geo; do
      mesh_cad_part "$script" "$(basename "$script" .geo)-fine" -clscale "$fine_scale"
    done
  fi
else
  echo "run.sh: gmsh not found; the CAD-like parts are left out" >&2
  parts_note="This run has no CAD-like parts: the gmsh command was not found."
fi
mesh_flag=()
if [ "${#meshes[@]}" -gt 0 ]; then
  mesh_flag=(--qvr_meshes="$(IFS=,; echo "${meshes[*]}")")
  parts_note+=" Gmsh took (wall time): $(printf '%s, ' "${mesh_times[@]}" | sed 's/, $//')."
fi

"$build/bench/qvr_bench" --qvr_sizes="$sizes" --qvr_types=hex,tet "${mesh_flag[@]}" \
  --benchmark_min_time="${QVR_BENCH_MIN_TIME:-0.1}" \
  --benchmark_out="$json" --benchmark_out_format=json
"$build/bench/qvr_bench_memory" --qvr_sizes="$sizes" --qvr_types=hex,tet "${mesh_flag[@]}" \
  > "bench/results/$stamp-memory.csv"

load_end=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo "?")
minutes=$(awk "BEGIN { print ($(date +%s) - $start) / 60 }")

"$build/bench/qvr_bench_report" --json="$json" --results-name="$json" \
  --memory="bench/results/$stamp-memory.csv" --csv="bench/results/$stamp.csv" \
  --page=docs/performance.md --chart=docs/performance-scaling.svg \
  --notes=bench/performance-notes.md --date="$(date +%Y-%m-%d)" --commit="$commit" \
  --load-start="$load_start" --load-end="$load_end" --minutes="$minutes" $quick \
  --parts-note="${parts_note# }"
echo "Wrote docs/performance.md, docs/performance-scaling.svg and bench/results/$stamp.*"

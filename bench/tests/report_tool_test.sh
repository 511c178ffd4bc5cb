#!/usr/bin/env bash
# The report tool replaces its outputs whole and never writes over one of its inputs.
#   report_tool_test.sh <qvr_bench_report>
set -euo pipefail
report=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
cat > run.json <<'JSON'
{"context": {"num_cpus": 2},
 "benchmarks": [{"name": "load_text/hex/1e4", "run_type": "iteration", "iterations": 1,
                 "real_time": 1000, "cpu_time": 1000, "time_unit": "ns", "cells": 100,
                 "items": 100}]}
JSON
cp run.json run.json.orig
fail() { echo "report_tool_test: $*" >&2; exit 1; }

"$report" --json=run.json --csv=out.csv --page=page.md --chart=chart.svg || fail "a good run failed"
grep -q "^# Performance" page.md || fail "the page was not written"
[ -z "$(ls -A | grep '\.tmp$' || true)" ] || fail "a temporary file was left: $(ls -A)"

echo "old page" > page.md
for bad in "--page=run.json" "--page=./run.json" "--csv=page.md" "--chart=run.json"; do
  set +e
  "$report" --json=run.json --csv=out.csv --page=page.md --chart=chart.svg "$bad" 2>/dev/null
  rc=$?
  set -e
  [ "$rc" -eq 2 ] || fail "$bad: exit $rc, expected 2"
  cmp -s run.json run.json.orig || fail "$bad: the input was overwritten"
done
[ "$(cat page.md)" = "old page" ] || fail "a refused run changed the page"
echo "report_tool_test: ok"

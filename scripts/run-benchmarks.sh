#!/usr/bin/env bash
# Runs every benchmark executable of a release build (bench_*), several
# repetitions each, and reports medians.
set -euo pipefail
build=${1:-build-release}
shopt -s nullglob
found=0
for b in "$build"/bin/bench_*; do
  found=1
  echo "== $(basename "$b")"
  "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
done
[[ $found -eq 1 ]] || echo "no benchmarks built"

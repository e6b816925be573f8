#!/usr/bin/env bash
# Runs every fuzz target (bin/fuzz_*) for a bounded time each; any crash,
# hang or sanitizer report fails the run.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
shopt -s nullglob
for f in "$build"/bin/fuzz_*; do
  name=$(basename "$f")
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus"
  seeds="tests/fuzz/seeds/${name#fuzz_}"
  echo "== $name for ${seconds}s"
  "$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$corpus" $( [[ -d $seeds ]] && echo "$seeds" )
done

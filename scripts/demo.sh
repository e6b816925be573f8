#!/usr/bin/env bash
# The demo of what exists so far: Tastra's main window is not built yet, so
# this shows the parts that are, on simulated keyboards:
#   1. tastra's start-up (product name, single instance, language, folders);
#   2. tastractl on the simulated boards: the catalogue, the boards found,
#      a key table and a lighting write, and the firmware state they left;
#   3. the OrbelUI gallery in a real window (closes after DEMO_SECONDS, or
#      when you close it).
# Without a display the gallery runs under a private Xvfb and a screenshot
# is saved instead.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
seconds=${DEMO_SECONDS:-20}
demo_dir=$(mktemp -d /tmp/tastra-demo-XXXXXX)
trap 'rm -rf "$demo_dir"' EXIT
export TASTRA_SIMULATE=${TASTRA_SIMULATE:-all}
export TASTRA_SIM_STATE="$demo_dir/sim-state.json"

echo "== Tastra demo: the main window is not built yet; showing start-up, tastractl and the toolkit gallery"
echo "-- tastra start-up"
"$bin/tastra" --exit-after-start

ctl=("$bin/tastractl" --data-dir "$demo_dir/data")
echo "-- tastractl devices (simulated: $TASTRA_SIMULATE)"
"${ctl[@]}" devices
for model in k87 k104; do
  echo "-- tastractl --model $model apply / light / version"
  "${ctl[@]}" --model "$model" apply || true
  "${ctl[@]}" --model "$model" light || true
  "${ctl[@]}" --model "$model" version || true
done
echo "-- firmware state of the simulated boards (first lines)"
"${ctl[@]}" sim-state | head -n 20

echo "-- orbelui-gallery for ${seconds}s"
gallery=("$bin/orbelui-gallery" --quit-after $((seconds * 1000)))
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  shot="$build/demo-gallery.png"
  echo "   no display: running under a private Xvfb, screenshot in $shot"
  xvfb-run -a "${gallery[@]}" --screenshot "$(realpath -m "$shot")"
else
  "${gallery[@]}"
fi

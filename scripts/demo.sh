#!/usr/bin/env bash
# Opens Tastra on the simulated keyboards. Without a display, a private Xvfb
# is started so the demo also runs on a headless machine.
set -euo pipefail
build=${1:-build}
bin="$build/bin/tastra"
export TASTRA_SIMULATE=${TASTRA_SIMULATE:-all}
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "demo: no display; running under a private Xvfb"
  exec xvfb-run -a "$bin" "$@"
fi
exec "$bin" "$@"

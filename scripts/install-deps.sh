#!/usr/bin/env bash
# Installs every Debian package Tastra needs to build, test and run.
# Idempotent: prints nothing and changes nothing when all are present.
set -euo pipefail

packages=(
  # tool chain
  build-essential cmake pkg-config git clang-14 libclang-rt-14-dev clang-format
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # toolkit: windows, drawing, text, images
  libsdl2-dev libcairo2-dev libpango1.0-dev libfontconfig-dev libgif-dev fonts-noto-cjk
  # device link
  libhidapi-dev libudev-dev
  # store
  libsqlite3-dev sqlite3
  # lighting: audio capture, spectrum, screen capture
  libpulse-dev libkissfft-dev libx11-dev libxext-dev libxtst-dev
  # updater
  libcurl4-openssl-dev libminizip-dev zlib1g-dev
  # tray
  libdbus-1-dev dbus
  # test fixtures: private X server, input injection, headless audio
  xvfb xauth xdotool x11-xserver-utils x11-utils pulseaudio pulseaudio-utils sox
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/tmp/tastra-apt.log 2>&1; then
  $sudo apt-get update -q >>/tmp/tastra-apt.log 2>&1
  if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >>/tmp/tastra-apt.log 2>&1; then
    cat /tmp/tastra-apt.log >&2
    echo "install-deps: apt-get failed" >&2
    exit 1
  fi
fi

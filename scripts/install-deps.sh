#!/usr/bin/env bash
# Installs the build and test dependencies on Debian 12 (as root). Quick when all is present:
# apt is only called for packages that are missing.
set -euo pipefail

PKGS=(
  build-essential cmake ninja-build ccache pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-websockets-dev qt6-webengine-dev qt6-multimedia-dev
  qt6-httpserver-dev qt6-svg-dev libqt6sql6-sqlite qt6-image-formats-plugins
  libqt6opengl6-dev qt6-tools-dev-tools
  qtkeychain-qt6-dev libcmark-gfm-dev libcmark-gfm-extensions-dev libxi-dev libx11-dev
  xvfb xauth xdotool socat x11-utils
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav espeak-ng
  nodejs npm
)

# The real-recording test runs a sound server of its own; a desktop's PipeWire sound server,
# which conflicts with that package, is left alone (the test then skips).
if ! dpkg-query -W -f='${Status}' pipewire-pulse 2>/dev/null | grep -q "install ok installed"; then
  PKGS+=(pulseaudio)
fi

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# node and npm may come from outside Debian; accept them when the commands exist.
if command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1; then
  filtered=()
  for p in "${missing[@]}"; do
    [[ "$p" == nodejs || "$p" == npm ]] || filtered+=("$p")
  done
  missing=("${filtered[@]}")
fi

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

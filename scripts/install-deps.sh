#!/usr/bin/env bash
# Installs the Debian packages Lumora builds, tests and runs with.
# Idempotent: only packages that are missing are installed, so a machine that
# already has everything is not touched and no network is needed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6opengl6-dev
  qt6-qpa-plugins libgl-dev
  fonts-liberation2
  xvfb xauth x11-apps
  libtiff-tools netpbm giflib-tools libgif-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO=sudo; else
    echo "Missing packages (run as root to install): ${missing[*]}" >&2
    exit 1
  fi
else
  SUDO=
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

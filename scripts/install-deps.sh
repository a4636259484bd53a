#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang pkg-config git
  libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libusb-1.0-0-dev libjpeg-dev libxlsxwriter-dev libzip-dev
  qt6-base-dev libgl-dev
  libfftw3-dev
  dpkg-dev file
  ccache
  umockdev libumockdev-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

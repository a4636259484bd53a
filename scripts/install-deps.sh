#!/usr/bin/env bash
# Installs the Debian packages that are missing: with "program", only what the build and the
# program need (scripts/run-demo.sh); without, also the test tool chain, the package check's
# tools and the German locale the locale tests run under (scripts/test.sh).
set -euo pipefail
program=(
  cmake ninja-build g++ pkg-config
  libusb-1.0-0-dev libjpeg-dev libxlsxwriter-dev libzip-dev
  qt6-base-dev libgl-dev
)
tests=(
  clang clang-format git
  libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev
  dpkg-dev file lintian appstream
  locales
  ccache
  umockdev libumockdev-dev
)
packages=("${program[@]}")
[ "${1:-}" = program ] || packages+=("${tests[@]}")
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

[ "${1:-}" = program ] && exit 0

# The tests of decimal-comma desktops switch to de_DE.UTF-8 and fail without it.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "Generating the locale de_DE.UTF-8"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  if ! grep -qx 'de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    if grep -qx '# *de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
      $SUDO sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)$/\1/' /etc/locale.gen
    else
      echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
  fi
  $SUDO locale-gen >/dev/null
fi

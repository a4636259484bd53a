#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the package check and the demo need,
# when missing, and generates the German locale the locale tests run under.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang clang-format pkg-config git
  libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libusb-1.0-0-dev libjpeg-dev libxlsxwriter-dev libzip-dev
  qt6-base-dev libgl-dev
  libfftw3-dev
  dpkg-dev file lintian
  locales
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

#!/usr/bin/env bash
# Builds the program (release preset, installed under /usr) and makes the Debian package
# build/release/velmora2_<version>_<arch>.deb: program, its private analysis libraries under
# /usr/lib/velmora2, udev rules, desktop entry, icon, /etc/velmora2/registry.ini, man page,
# the demo installation's firmware, with the packages they need as dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --preset release -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build --preset release --target velmora2 velmora2_docs
cd build/release
rm -f velmora2_*.deb
cpack -G DEB

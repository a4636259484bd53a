#!/usr/bin/env bash
# Builds the program (release preset) and makes the Debian package
# build/release/velmora2_<version>_<arch>.deb: program, analysis libraries, udev rules,
# desktop entry and icon under /usr, with the packages they need as dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release --target velmora2
cd build/release
cpack -G DEB

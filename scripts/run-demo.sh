#!/usr/bin/env bash
# Builds the program and starts it on the demo installation under build/demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
echo "The program's main window is not yet available; the kernel and its tests are (scripts/test.sh)."
exit 1

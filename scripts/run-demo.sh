#!/usr/bin/env bash
# Installs what the build and the program need, builds the program (release preset) and
# starts it on the demo installation under build/demo: a registry file of its own
# (build/demo/config/velmora2/registry.ini, named by VELMORA2_REGISTRY, which the program
# takes out of its environment) naming the main directory build/demo/main, the firmware
# directory build/demo/firmware, the GDI display and the simulated instrument. The user's
# own configuration is not touched, and the programs it starts keep it.
# SHORTED_INPUTS=1 starts the simulated instrument with both inputs shorted (for the zero
# calibration). A flaky cable: GLITCH_EVERY=N fails every N-th transfer once, UNPLUG_EVERY_MS=T
# pulls the instrument every T ms and puts it back UNPLUG_BACK_AFTER_MS later
# (default 1000); the registry's [Simulator] keys of the same names (see README).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh program

cmake --preset release >/dev/null
cmake --build --preset release --target velmora2

demo="$PWD/build/demo"
mkdir -p "$demo/config/velmora2" "$demo/main" "$demo/firmware"
cp firmware/trevan.hex "$demo/firmware/trevan.hex"
cat > "$demo/config/velmora2/registry.ini" <<INI
[Velmora2]
mainDirectory=$demo/main
firmwareDirectory=$demo/firmware
graphicmode=GDI
usbBackend=simulator
[Simulator]
shortedInputs=${SHORTED_INPUTS:-0}
glitchEvery=${GLITCH_EVERY:-0}
unplugEveryMs=${UNPLUG_EVERY_MS:-0}
unplugBackAfterMs=${UNPLUG_BACK_AFTER_MS:-1000}
INI
# A first start shows both channels of the simulated instrument at 1 ms/div; later starts
# keep whatever the program saved.
if [ ! -f "$demo/main/state.ini" ]; then
  cat > "$demo/main/state.ini" <<INI
[CHANNEL]
channelOnOff1=1
channelOnOff2=1
voltageOffset1=300
voltageOffset2=100
triggerOffset1=300
triggerOffset2=100
[HORIZONTAL]
timeDiv=17
[DISPLAY]
lineJoinMode=2
INI
fi

VELMORA2_REGISTRY="$demo/config/velmora2/registry.ini" exec build/release/form/velmora2

#!/usr/bin/env bash
# Builds the add-in and runs a session of the reference IDE with it: the IDE
# starts, the package loads, the layout is applied and the empty default project
# is closed; the session's state is printed and a picture of the screen is drawn.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFLEETFORGE_TESTS=OFF \
  -DFLEETFORGE_BENCH=OFF >/dev/null
ninja -C build -j"$(nproc)" fleetforge Fleetforge7
mkdir -p out
registry=out/demo-registry.reg
rm -f "$registry"
build/fleetforge options set --registry "$registry" HideCaptions=true MaximizeEditor=true \
  ObjectInspectorHeight=300 >/dev/null
build/fleetforge run --registry "$registry" --projects out/Projects --script examples/demo.ffs \
  --png out/demo.png --svg out/demo.svg
echo
echo "Picture of the screen: out/demo.png (and out/demo.svg)"

#!/usr/bin/env bash
# The guided tour: builds the command and the add-in (build/demo), then runs a
# tour of the whole add-in in the reference IDE, telling step by step what the
# user does and what the add-in does, with a picture of each step in out/tour/
# and a page out/tour/index.html that shows them with their captions.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh demo
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
echo "== building the fleetforge command and the add-in (build/demo)"
cmake --preset demo >/dev/null
cmake --build --preset demo
echo
scripts/tour.sh build/demo/fleetforge out/tour

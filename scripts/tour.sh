#!/usr/bin/env bash
# Runs the guided tour (examples/tour.ffs) with the given fleetforge command into
# a fresh folder: the IDE's registry, projects and the example project live there,
# and the pictures and the page index.html are written there.
#   scripts/tour.sh FLEETFORGE OUTDIR
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: scripts/tour.sh FLEETFORGE OUTDIR" >&2
  exit 2
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
command=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$2
rm -rf "$out"
mkdir -p "$out/Hello"
cp "$source_dir/examples/Hello.dpr" "$out/Hello/"
cd "$out"
# The tour starts from the settings a user of the add-in would pick: captions
# hidden, the editor maximised, a 300-pixel Object Inspector.
"$command" options set --registry registry.reg HideCaptions=true MaximizeEditor=true \
  ObjectInspectorHeight=300 >/dev/null
"$command" run --registry registry.reg --projects Projects --quiet \
  --script "$source_dir/examples/tour.ffs" --page index.html
echo
echo "The tour's pictures and page: $out/index.html"

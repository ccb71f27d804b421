#!/usr/bin/env bash
# Runs the guided tour twice: it tells every step, writes a picture of each and
# the page that shows them, and the second run draws byte-identical pictures.
#   tour_test.sh FLEETFORGE SOURCE_DIR
set -euo pipefail
fleetforge=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source_dir/scripts/tour.sh" "$fleetforge" "$work/one" >"$work/one.txt"
"$source_dir/scripts/tour.sh" "$fleetforge" "$work/two" >"$work/two.txt"
cat "$work/one.txt"

captions=$(grep -c '^caption ' "$source_dir/examples/tour.ffs")
snapshots=$(grep -c '^snapshot ' "$source_dir/examples/tour.ffs")
[ "$(grep -c '^\* ' "$work/one.txt")" = "$captions" ] || fail "not every step was told"
[ "$(grep -c '<h2>' "$work/one/index.html")" = "$captions" ] || fail "the page lacks steps"
[ "$(grep -c '<img ' "$work/one/index.html")" = "$snapshots" ] || fail "the page lacks pictures"
grep -q 'CompileBuild ' "$work/one/index.html" || fail "the page does not show CompDate.pas"
pictures=0
for picture in "$work"/one/*.png "$work"/one/*.svg; do
  [ -e "$picture" ] || continue
  pictures=$((pictures + 1))
  cmp "$picture" "$work/two/$(basename "$picture")" || fail "$(basename "$picture") differs"
done
[ "$pictures" = "$snapshots" ] || fail "$pictures pictures for $snapshots snapshots"
cmp "$work/one/index.html" "$work/two/index.html" || fail "the pages differ"
echo "tour: $captions steps, $pictures pictures, identical on a second run"

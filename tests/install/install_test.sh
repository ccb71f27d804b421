#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the installed copy
# stands on its own: nothing in it names the build folder, its run paths are
# relative to itself, and after the prefix is moved elsewhere the installed
# command runs a session with the installed add-in from another folder.
#   install_test.sh BUILD_DIR [sanitized]
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
prefix=$work/prefix
for f in bin/fleetforge share/man/man1/fleetforge.1 share/fleetforge/state.schema.json \
         share/doc/Fleetforge/LICENSE; do
  [ -f "$prefix/$f" ] || fail "$f was not installed"
done
host_lib=$(find "$prefix" -name 'libfleetforge_host.so*' -type f | head -n 1)
module=$(find "$prefix" -name Fleetforge7.bpl -type f | head -n 1)
[ -n "$host_lib" ] || fail "the host library was not installed"
[ -n "$module" ] || fail "the package module was not installed"
[ "$(dirname "$module")" = "$(dirname "$host_lib")/fleetforge" ] ||
  fail "the module is not in the library folder's fleetforge/: $module"

# A sanitizer build names each instrumented source file in its metadata, the
# generated one in the build folder too; nothing else may name the build folder.
named=$(grep -raoh "$(printf '%s' "$build" | sed 's/[.[\*^$]/\\&/g')[[:graph:]]*" "$prefix" |
  sort -u || true)
if [ "${2:-}" = sanitized ]; then
  named=$(printf '%s\n' "$named" | grep -vx "$build/generated/form_images.cpp" || true)
fi
[ -z "$named" ] || fail "installed files name the build folder: $named"
for f in "$prefix/bin/fleetforge" "$host_lib" "$module"; do
  runpath=$(readelf -d "$f" | sed -n 's/.*(R[UN]*PATH).*\[\(.*\)\]/\1/p')
  for entry in ${runpath//:/ }; do
    case "$entry" in
      '$ORIGIN'*) ;;
      *) fail "$f has the run path entry $entry, not one relative to itself" ;;
    esac
  done
done
readelf -d "$prefix/bin/fleetforge" | grep -q 'RUNPATH.*\$ORIGIN/\.\./' ||
  fail "the command has no run path to the installed library"

# Moved, and run from a folder far from both the build and the prefix.
mv "$prefix" "$work/moved"
mkdir "$work/elsewhere"
cd "$work/elsewhere"
unset FLEETFORGE_PACKAGE
state=$(printf 'wait 1000\n' |
  XDG_CONFIG_HOME="$work/config" "$work/moved/bin/fleetforge" run --json --fail-on-error \
    --projects "$work/projects" --script - | tail -n 1)
echo "$state" | grep -q '"mode":"active"' || fail "the add-in is not active: $state"
echo "$state" | grep -q '"project":""' || fail "the default project was not closed: $state"
"$work/moved/bin/fleetforge" --version | grep -q '^fleetforge ' || fail "no version"
echo "installed copy runs from $work/elsewhere with $module moved along"

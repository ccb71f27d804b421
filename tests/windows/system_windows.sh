#!/usr/bin/env bash
# Checks of the Windows build on the system's own windows (Wine's user32 in the
# tests' virtual desktop), judged from outside the process: the window lister
# (tests/windows/judge/winlist.cpp), xwd and ImageMagick. Each case is one CTest
# test:
#   system_windows.sh CASE WINDOWS_BIN SOURCE_DIR
set -euo pipefail
case_name=$1
bin=$(cd "$2" && pwd)
source_dir=$3
export WINEDEBUG=-all
exe="$bin/fleetforge.exe"
winlist="$bin/winlist.exe"
scratch=$(mktemp -d)
session_pid=
cleanup() {
  [ -n "$session_pid" ] && kill "$session_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# The tour's starting settings and the example project, in a folder of its own.
prepare() {
  mkdir -p "$1/Hello"
  cp "$source_dir/examples/Hello.dpr" "$1/Hello/"
  (cd "$1" && wine "$exe" options set --registry registry.reg HideCaptions=true \
    MaximizeEditor=true ObjectInspectorHeight=300 >/dev/null)
}
# The IDE's top-level windows (of the host's window class) as the lister sees
# them, front first, one JSON object a line.
windows() {
  wine "$winlist" list | tr -d '\r' | grep '"class": *"FleetforgeForm"'
}
# Whether the command succeeds within about SECONDS, tried every fifth of one:
# Wine's programs start slowly on a busy machine.
within() {
  local tries=$(($1 * 5))
  shift
  for _ in $(seq 1 "$tries"); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}
# Whether the lister finds at least the given number of the IDE's visible windows.
visible_windows() {
  [ "$(windows | grep -c '"visible": *true')" -ge "$1" ]
}

case $case_name in
  states)
    # The demo and the tour give the same states on the system's windows and on
    # the model given the system's work area and metrics, after every step
    # (apart from the window system's name).
    for script in demo tour; do
      prepare "$scratch/$script-system"
      sed '/^snapshot /d; /^[a-z]/a state' "$source_dir/examples/$script.ffs" \
        >"$scratch/$script.ffs"
      (cd "$scratch/$script-system" && TZ=UTC0 wine "$exe" run --registry registry.reg \
        --projects Projects --script "$scratch/$script.ffs" --json --window-system system |
        tr -d '\r' >states)
      [ "$(wc -l <"$scratch/$script-system/states")" -gt 4 ] || fail "too few states of $script"
      # The system's screen, as its first state reports it, given to the model.
      model_screen=$(python3 - "$scratch/$script-system/states" <<'EOF'
import json, sys
state = json.loads(open(sys.argv[1]).readline())
screen = state["screen"]
area = screen["work_area"]
if area != [0, 0, screen["width"], screen["height"]]:
    sys.exit("the work area is not the whole screen: %s" % area)
print("--screen %dx%d --taskbar bottom:0" % (screen["width"], screen["height"]),
      " ".join("--metric %s=%d" % kv for kv in sorted(screen["metrics"].items())))
EOF
      ) || fail "$script: no screen to give the model"
      prepare "$scratch/$script-model"
      # shellcheck disable=SC2086
      (cd "$scratch/$script-model" && TZ=UTC0 wine "$exe" run --registry registry.reg \
        --projects Projects --script "$scratch/$script.ffs" --json --window-system model \
        $model_screen | tr -d '\r' >states)
      python3 "$source_dir/tests/windows/judge/states.py" "$scratch/$script-model/states" \
        "$scratch/$script-system/states" | sed "s/^/$script: /" ||
        fail "the states of $script.ffs differ between the back ends"
    done
    ;;
  judge)
    # The demo's settings on the system's windows, in an interactive session
    # that another process looks at and acts on.
    prepare "$scratch/ide"
    # Two ticks: the editor's height reads its top from before the tick.
    printf 'wait 2000\nsnapshot laid-out.png\n' >"$scratch/ide/script.ffs"
    (cd "$scratch/ide" && exec wine "$exe" run --registry registry.reg --projects Projects \
      --script script.ffs --interactive --json >final.json 2>errors.txt) &
    session_pid=$!
    within 20 visible_windows 6 || fail "the IDE's windows did not come on screen"
    within 20 test -f "$scratch/ide/laid-out.png" || true  # the layout checks below say why
    sleep 0.5
    wine "$winlist" workarea | tr -d '\r' >"$scratch/metrics"
    windows >"$scratch/laid-out"
    python3 "$source_dir/tests/windows/judge/layout.py" "$scratch/metrics" "$scratch/laid-out" ||
      fail "the windows are not where the layout puts them"
    file "$scratch/ide/laid-out.png" | grep -q "PNG image data, 1024 x 768" ||
      fail "snapshot on the system's windows did not write a 1024x768 PNG"

    # The screen outside Wine: the windows are painted (the main window's face,
    # the editor's white page), not left black.
    xwd -root -silent | convert xwd:- "$scratch/screen.png"
    for point in "100,100 #D4D0C8" "600,400 #FFFFFF"; do
      got=$(convert "$scratch/screen.png" -format "%[hex:p{${point% *}}]" info:)
      [ "#${got:0:6}" = "${point#* }" ] || fail "the screen at ${point% *} is #$got, not ${point#* }"
    done

    # Idle ticks move nothing; a window moved by another program is back after
    # the next tick.
    sleep 2.2
    windows | diff "$scratch/laid-out" - || fail "windows moved during idle ticks"
    # winlist reads the place back at once: a listing started afterwards could
    # come after the IDE's next tick has put the window back.
    moved=$(wine "$winlist" move "Object Inspector" 420 260 | tr -d '\r')
    [ "$moved" = "420 260" ] || fail "the other program did not move the Object Inspector ($moved)"
    back_in_place() { windows | diff -q "$scratch/laid-out" - >/dev/null; }
    within 5 back_in_place || fail "the Object Inspector is not back in place"

    # Another application activated hides the bar; coming back shows it.
    bar_visible() {
      windows | grep '"title": *"Minimize/Close"' | grep -q '"visible": *true'
    }
    bar_hidden() { ! bar_visible; }
    bar_visible || fail "the bar is not shown"
    wine "$winlist" other 8 &
    other=$!
    within 8 bar_hidden || fail "the bar stayed on screen while another application was active"
    wait "$other"
    wine "$winlist" activate "Delphi 7"
    within 5 bar_visible || fail "the bar did not come back with the IDE"

    # Closing the main window ends the session: exit 0 and a final state.
    wine "$winlist" close "Delphi 7"
    status=0
    wait "$session_pid" || status=$?
    session_pid=
    [ $status -eq 0 ] || fail "the session ended with $status: $(cat "$scratch/ide/errors.txt")"
    python3 -c '
import json, sys
state = json.loads(open(sys.argv[1]).read().splitlines()[-1])
assert state["window_system"] == "system", state["window_system"]
assert state["mode"] == "unloaded", state["mode"]
' "$scratch/ide/final.json" || fail "no final state after the main window closed"
    ;;
  no-display)
    # Without a display, the system's windows cannot be had: exit 1, and the
    # message names the model. A prefix of its own, whose server never had one.
    status=0
    WINEPREFIX="$scratch/prefix" DISPLAY= WAYLAND_DISPLAY= wine "$exe" run \
      --projects "$scratch" >/dev/null 2>"$scratch/error" || status=$?
    WINEPREFIX="$scratch/prefix" wineserver --kill 2>/dev/null || true
    [ $status -eq 1 ] || fail "exit code $status without a display, not 1"
    grep -q -- "--window-system model" "$scratch/error" ||
      fail "the message does not name --window-system model: $(cat "$scratch/error")"
    ;;
  *)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
echo "passed: $case_name"

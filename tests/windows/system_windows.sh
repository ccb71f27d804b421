#!/usr/bin/env bash
# Checks of the Windows build on the system's own windows (Wine's user32 in the
# tests' virtual desktop), judged from outside the process: the window lister
# (tests/windows/judge/winlist.cpp), ImageMagick, and xdotool's keys and mouse
# for a person's input. Each case is one CTest
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
    MaximizeEditor=true ObjectInspectorHeight=300 >/dev/null) ||
    fail "options set in $1 exited with $?"
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

# Runs the script SCRIPT in the prepared folder DIR with the given options, its
# states written to DIR/states; a run that fails says how, with what it printed
# (a crash under Wine prints nothing but its exit code).
run_states() {
  local dir=$1 script=$2 status=0
  shift 2
  (cd "$dir" && TZ=UTC0 wine "$exe" run --registry registry.reg --projects Projects \
    --script "$script" --json "$@" >states.raw 2>errors.txt) || status=$?
  tr -d '\r' <"$dir/states.raw" >"$dir/states"
  [ "$status" = 0 ] || fail "$(basename "$script") $* exited with $status after" \
    "$(wc -l <"$dir/states") states: $(cat "$dir/errors.txt")"
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
      run_states "$scratch/$script-system" "$scratch/$script.ffs" --window-system system
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
      run_states "$scratch/$script-model" "$scratch/$script.ffs" --window-system model \
        $model_screen
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
    # the editor's white page), not left black. ImageMagick reads each X window
    # of the desktop; xwd's reading of the whole screen shows the windows Wine
    # stacked over others black.
    import -window root "$scratch/screen.png"
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
  person)
    # A person at the interactive IDE: the keyboard and the mouse (xdotool into
    # the display) on the system's menu, the dialog's controls and the bar.
    prepare "$scratch/ide"
    printf 'wait 2000\n' >"$scratch/ide/script.ffs"
    (cd "$scratch/ide" && exec wine "$exe" run --registry registry.reg --projects Projects \
      --script script.ffs --interactive --json Hello/Hello.dpr >final.json 2>errors.txt) &
    session_pid=$!
    main="Delphi 7 - Hello.dpr"
    within 20 visible_windows 6 || fail "the IDE's windows did not come on screen"
    sleep 2.5  # laid out
    # One field of a window as the lister sees it (python's form of it).
    field() {
      windows | python3 -c 'import json, sys
print(*[w[sys.argv[2]] for w in map(json.loads, sys.stdin) if w["title"] == sys.argv[1]])' "$1" "$2"
    }
    # The controls of a window, one JSON object a line.
    controls() { wine "$winlist" controls "$1" | tr -d '\r'; }
    # Whether the command's output is the value (for within, which runs it again).
    is() { [ "$("${@:2}")" = "$1" ]; }
    isnt() { ! is "$@"; }
    palette_visible() { controls "$main" | grep SysTabControl32 | grep -o '"visible":[a-z]*'; }
    setting() {
      (cd "$scratch/ide" && wine "$exe" options show --registry registry.reg) | tr -d '\r' |
        grep "^$1="
    }
    # The options dialog from the system's menu: Alt+T opens Tools, whose
    # first entry Enter chooses.
    open_options() {
      wine "$winlist" activate "$main"
      xdotool key alt+t sleep 0.3 key Return
      within 5 is True field "Fleetforge Options" visible ||
        fail "Tools' first entry did not open the options dialog"
    }
    # A click in the middle of the options dialog's control whose text starts so.
    click_control() {
      read -r x y < <(controls "Fleetforge Options" | python3 -c 'import json, sys
for c in map(json.loads, sys.stdin):
    if c["text"].startswith(sys.argv[1]):
        print((c["rect"][0] + c["rect"][2]) // 2, (c["rect"][1] + c["rect"][3]) // 2)' "$1")
      xdotool mousemove "$x" "$y" click 1
    }
    # The bar's buttons, 15 pixels each from its left: palette, minimise, close.
    bar_click() { xdotool mousemove $(($(field "Minimize/Close" rect | tr -d '[,' |
      cut -d' ' -f1) + 15 * $1 + 7)) 7 click 1; }

    [ "$(field "$main" menu)" = True ] || fail "the main window has no menu bar of the system"
    controls "$main" | python3 -c 'import json, sys
tabs = [c for c in map(json.loads, sys.stdin) if c["class"] == "SysTabControl32"]
assert len(tabs) == 1, tabs
styles = 0x0008 | 0x0200 | 0x0040 | 0x0800  # flat buttons, multi-line, hot-track, ragged right
assert tabs[0]["style"] & styles == styles, hex(tabs[0]["style"])
assert tabs[0]["rows"] >= 2, tabs[0]["rows"]' || fail "the palette is not the system's flat multi-line tab control"
    bar_click 0
    within 3 is '"visible":false' palette_visible || fail "the palette button did not hide it"
    bar_click 0
    within 3 is '"visible":true' palette_visible || fail "the palette button did not show it"

    # Project > Compile: Alt+P, and Compile is its first entry.
    wine "$winlist" activate "$main"
    xdotool key alt+p sleep 0.3 key Return
    within 5 grep -q "^// Build: 1"$'\r'"$" "$scratch/ide/Hello/CompDate.pas" ||
      fail "Project > Compile did not write CompDate.pas build 1"

    # The dialog is modal and its controls are the system's, filled from the
    # settings; Esc presses Cancel.
    open_options
    [ "$(field "$main" enabled)" = False ] || fail "the main window is enabled under the dialog"
    controls "Fleetforge Options" | python3 -c 'import json, sys
c = list(map(json.loads, sys.stdin))
boxes = [x["checked"] for x in c if x["class"] == "Button" and x["style"] & 0xF == 3]
assert boxes == [1, 1, 1, 1, 0], boxes  # BS_AUTOCHECKBOX, as the settings have them
assert [x["text"] for x in c if x["class"] == "Edit"] == ["300"], c
assert [(x["position"], x["range"]) for x in c if x["class"] == "msctls_updown32"] == [(300, [150, 800])]
assert [x["text"] for x in c if x["class"] == "Button" and x["style"] & 0xF == 1] == ["OK"]' ||
      fail "the dialog's controls are not the system's, filled from the settings"
    xdotool key Escape
    within 5 isnt True field "Fleetforge Options" visible || fail "Esc left the dialog open"
    [ "$(field "$main" enabled)" = True ] || fail "the main window stayed disabled"

    # The bar's minimise: the main window iconic, the others off screen; its
    # restoring brings them back.
    bar_click 1
    within 3 is True field "$main" iconic || fail "minimise did not make the main window iconic"
    [ "$(field "Object Inspector" visible)" = False ] || fail "the Object Inspector stayed on screen"
    wine "$winlist" activate "$main"
    within 3 is True field "Object Inspector" visible || fail "restoring did not bring the IDE back"

    # The Hide captions box unticked with the mouse and Enter for OK: the
    # captions are back, and the choice stored.
    open_options
    click_control "Hide captions"
    xdotool key Return
    within 5 is HideCaptions=false setting HideCaptions || fail "OK did not store the choice"
    for title in "$main" "Object Inspector"; do
      (($(field "$title" style) & 0x00C00000)) || fail "$title has no caption after OK"
    done
    # The editor dragged away by its caption is back after a tick (two ticks
    # settle it after the frames changed).
    sleep 2.5
    placed=$(field Unit1.pas rect)
    read -r x y < <(field Unit1.pas rect | tr -d '[,' | awk '{print int(($1 + $3) / 2), $2 + 12}')
    xdotool mousemove "$x" "$y" mousedown 1 mousemove $((x + 60)) $((y + 50)) sleep 0.2 \
      mousemove $((x + 100)) $((y + 120)) sleep 0.2 mouseup 1
    within 5 is "$placed" field Unit1.pas rect || fail "the dragged editor did not come back"

    # Captions hidden again (the bar is back), and the bar's close ends the
    # session with exit 0.
    open_options
    click_control "Hide captions"
    xdotool key Return
    within 5 is True field "Minimize/Close" visible || fail "the bar did not come back"
    bar_click 2
    status=0
    wait "$session_pid" || status=$?
    session_pid=
    [ $status -eq 0 ] || fail "the bar's close ended the session with $status: $(cat "$scratch/ide/errors.txt")"
    ;;
  no-display)
    # Without a display, the system's windows cannot be had: exit 1, and the
    # message names the model. A prefix of its own, whose server never had one.
    status=0
    WINEPREFIX="$scratch/prefix" DISPLAY='' WAYLAND_DISPLAY='' wine "$exe" run \
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

#!/usr/bin/env bash
# Checks of the Windows build by programs no one here wrote: Wine's reg and
# regedit, objdump, icoutils, the Free Pascal compiler, Python's zlib reading
# the pictures, xdotool; and by winlist (tests/windows/judge), which judges the
# windows of the desktop from a process of its own. Each case is one CTest test,
# run through cmake/wine-env, which puts Wine on the run's display:
#   outside_checks.sh CASE WINDOWS_BIN SOURCE_DIR [LINUX_FLEETFORGE]
# Cases that compare with the POSIX build need its fleetforge command; without
# it they are skipped (exit 77).
set -euo pipefail
case_name=$1
bin=$(cd "$2" && pwd)
source_dir=$3
linux_cli=${4:-}
export WINEDEBUG=-all
exe="$bin/fleetforge.exe"
package="$bin/Fleetforge7.bpl"
key='HKCU\Software\Borland\Delphi\7.0\Fleetforge'
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# Fails unless the two texts are equal, showing both.
same() {
  [ "$1" = "$2" ] || fail "$3"$'\n--- expected\n'"$1"$'\n--- got\n'"$2"
}
need_linux_cli() {
  if [ -z "$linux_cli" ] || [ ! -x "$linux_cli" ]; then
    echo "skipped: no POSIX build of fleetforge to compare with"
    exit 77
  fi
}
# The value lines of the key as Wine's reg prints them: "Name REG_DWORD 0x1".
reg_values() {
  wine reg query "$key" | tr -d '\r' | awk 'NF == 3 { print $1, $2, $3 }' | sort
}
clear_key() {
  wine reg delete "$key" /f >/dev/null 2>&1 || true
}
# Runs an example script on one build from the tour's starting settings, in a
# folder of its own ($scratch/SCRIPT-BUILD) with the example project, the script
# first edited by the sed expression:
#   session SCRIPT windows|linux SED_EXPRESSION RUN_ARGUMENTS... (output to stdout)
session() {
  local script=$1 build=$2 edit=$3 folder="$scratch/$1-$2" command
  shift 3
  mkdir -p "$folder/Hello"
  cp "$source_dir/examples/Hello.dpr" "$folder/Hello/"
  sed "$edit" "$source_dir/examples/$script.ffs" >"$folder/script.ffs"
  if [ "$build" = windows ]; then command=(wine "$exe"); else command=("$linux_cli"); fi
  (cd "$folder" &&
    "${command[@]}" options set --registry registry.reg HideCaptions=true \
      MaximizeEditor=true ObjectInspectorHeight=300 >/dev/null &&
    TZ=UTC0 "${command[@]}" run --registry registry.reg --projects Projects \
      --script script.ffs "$@")
}

case $case_name in
  exports)
    # The DLL's export directory as objdump reads it: the 80 names of the design.
    x86_64-w64-mingw32-objdump -p "$package" |
      sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      sed -n 's/^\s*\[ *[0-9]*\] //p' | sort >"$scratch/names"
    same "$(sort "$source_dir/tests/windows/exports.txt")" "$(cat "$scratch/names")" \
      "the module's exports"
    [ "$(wc -l <"$scratch/names")" -eq 80 ] || fail "not 80 exports"
    ;;
  icons)
    # icoutils list both icon groups and extract FLEETFORGED7ICON whole.
    groups=$(wrestool -l --type=14 "$package" | sed -n "s/.*--name='\([A-Z0-9]*\)'.*/\1/p" | sort)
    same $'FLEETFORGED7ICON\nMAINICON' "$groups" "the package's icon groups"
    wrestool -x --type=14 --name=FLEETFORGED7ICON "$package" -o "$scratch/ff.ico"
    same "--icon --index=1 --width=32 --height=32 --bit-depth=4 --palette-size=16
--icon --index=2 --width=16 --height=16 --bit-depth=4 --palette-size=16
--icon --index=3 --width=32 --height=32 --bit-depth=8 --palette-size=256
--icon --index=4 --width=16 --height=16 --bit-depth=8 --palette-size=256" \
      "$(icotool -l "$scratch/ff.ico")" "the images of FLEETFORGED7ICON"
    icotool -x -o "$scratch" "$scratch/ff.ico"
    [ "$(ls "$scratch"/*.png | wc -l)" -eq 4 ] || fail "icotool did not extract four images"
    same "MAINICON" "$(wrestool -l --type=14 "$exe" | sed -n "s/.*--name='\([A-Z0-9]*\)'.*/\1/p")" \
      "the IDE executable's own icon"
    ;;
  registry)
    # The six values the command writes are REG_DWORDs in the system registry...
    clear_key
    wine "$exe" options set CloseDefault=false HideCaptions=true MaximizeEditor=true \
      CreateCompDate=false ChangeIcon=true ObjectInspectorHeight=-300 >/dev/null
    same "ChangeIcon REG_DWORD 0x1
CloseDefault REG_DWORD 0x0
CreateCompDate REG_DWORD 0x0
HideCaptions REG_DWORD 0x1
MaximizeEditor REG_DWORD 0x1
ObjectInspectorHeight REG_DWORD 0xfffffed4" "$(reg_values)" "reg query after options set"
    # ... and values written by reg add (a switch stored as 2, a height of -5)
    # are read by the command and by the add-in at load.
    wine reg add "$key" /v HideCaptions /t REG_DWORD /d 2 /f >/dev/null
    wine reg add "$key" /v ObjectInspectorHeight /t REG_DWORD /d 0xfffffffb /f >/dev/null
    same "CloseDefault=false
HideCaptions=true
MaximizeEditor=true
CreateCompDate=false
ChangeIcon=true
ObjectInspectorHeight=-5" "$(wine "$exe" options show | tr -d '\r')" "options show after reg add"
    echo state | wine "$exe" run --window-system model --json --quiet --script - \
      --projects "$scratch" >"$scratch/state"
    grep -q '"HideCaptions":true' "$scratch/state" || fail "the add-in did not read HideCaptions=2"
    grep -q '"ObjectInspectorHeight":-5' "$scratch/state" || fail "the add-in did not read -5"
    clear_key
    ;;
  regedit)
    # The POSIX build's registry file imports with regedit; regedit's own export
    # (version 5, UTF-16) is read by the POSIX build, and imports again after it
    # was changed there.
    need_linux_cli
    clear_key
    "$linux_cli" options --registry "$scratch/set.reg" set HideCaptions=true \
      ObjectInspectorHeight=420 >/dev/null
    (cd "$scratch" && wine regedit /S set.reg)
    same "ChangeIcon REG_DWORD 0x0
CloseDefault REG_DWORD 0x1
CreateCompDate REG_DWORD 0x1
HideCaptions REG_DWORD 0x1
MaximizeEditor REG_DWORD 0x0
ObjectInspectorHeight REG_DWORD 0x1a4" "$(reg_values)" "reg query after regedit /S"
    (cd "$scratch" && wine regedit /E exported.reg "${key/HKCU/HKEY_CURRENT_USER}")
    [ "$(head -c 2 "$scratch/exported.reg" | od -An -tx1 | tr -d ' ')" = fffe ] ||
      fail "regedit's export is not UTF-16"
    same "CloseDefault=true
HideCaptions=true
MaximizeEditor=false
CreateCompDate=true
ChangeIcon=false
ObjectInspectorHeight=420" "$("$linux_cli" options --registry "$scratch/exported.reg" show)" \
      "the POSIX build reading regedit's export"
    "$linux_cli" options --registry "$scratch/exported.reg" set ChangeIcon=true >/dev/null
    clear_key
    (cd "$scratch" && wine regedit /S exported.reg)
    reg_values | grep -qx "ChangeIcon REG_DWORD 0x1" || fail "the changed export did not import"
    clear_key
    ;;
  compdate)
    # Both builds write the same CompDate.pas for the same moment and zone, and
    # Free Pascal compiles the project with it.
    need_linux_cli
    for build in windows linux; do
      mkdir "$scratch/$build"
      cp "$source_dir/examples/Hello.dpr" "$scratch/$build/"
    done
    for run in 1 2; do
      SOURCE_DATE_EPOCH=1700000000 TZ=JST-9 wine "$exe" compdate "$scratch/windows/Hello.dpr" >/dev/null
      SOURCE_DATE_EPOCH=1700000000 TZ=JST-9 "$linux_cli" compdate "$scratch/linux/Hello.dpr" >/dev/null
      cmp "$scratch/windows/CompDate.pas" "$scratch/linux/CompDate.pas" ||
        fail "the two builds wrote different units (run $run)"
    done
    grep -q "'2023/11/15'" "$scratch/windows/CompDate.pas" || fail "not the local date in JST-9"
    (cd "$scratch/windows" && fpc -v0 Hello.dpr >/dev/null) || fail "fpc did not compile it"
    ;;
  same-state)
    # The same scripts give the same states on both builds, after every step:
    # the short example and the guided tour (without its pictures, which the
    # case "pictures" compares), each from the tour's starting settings.
    need_linux_cli
    for script in demo tour; do
      for build in windows linux; do
        session "$script" "$build" '/^snapshot /d; /^[a-z]/a state' --window-system model --json |
          tr -d '\r' >"$scratch/$script-$build.states"
      done
      diff "$scratch/$script-linux.states" "$scratch/$script-windows.states" ||
        fail "the states of $script.ffs differ"
      [ "$(wc -l <"$scratch/$script-linux.states")" -gt 4 ] || fail "too few states from $script.ffs"
      cmp "$scratch/$script-linux/Hello/CompDate.pas" "$scratch/$script-windows/Hello/CompDate.pas" 2>/dev/null ||
        [ ! -e "$scratch/$script-linux/Hello/CompDate.pas" ] || fail "$script.ffs: different units"
    done
    ;;
  pictures)
    # Both builds draw the same sessions, the short example and the guided tour
    # (its SVG picture as PNG), into pictures of the screen's size that agree on
    # every pixel outside text (tests/windows/picture_agreement.py); an SVG
    # picture stops the Windows build with exit code 1.
    need_linux_cli
    for script in demo tour; do
      for build in windows linux; do
        session "$script" "$build" 's/^\(snapshot .*\)\.svg$/\1.png/' --window-system model \
          --quiet --png final.png \
          >/dev/null
      done
      pictures=$(cd "$scratch/$script-linux" && ls *.png)
      same "$pictures" "$(cd "$scratch/$script-windows" && ls *.png)" "the pictures of $script.ffs"
      for picture in $pictures; do
        file "$scratch/$script-windows/$picture" | grep -q "PNG image data, 1024 x 768" ||
          fail "$script.ffs: $picture is not a 1024x768 PNG"
        python3 "$source_dir/tests/windows/picture_agreement.py" "$scratch/$script-linux/$picture" \
          "$scratch/$script-windows/$picture" || fail "$script.ffs: the builds' $picture differ"
      done
    done
    [ "$(ls "$scratch"/tour-windows/*.png | wc -l)" -gt 10 ] || fail "too few pictures of the tour"
    status=0
    (cd "$scratch/demo-windows" && wine "$exe" run --window-system model --quiet --registry registry.reg \
      --projects Projects --svg final.svg >/dev/null 2>"$scratch/svg-error") || status=$?
    [ $status -eq 1 ] || fail "an SVG picture: exit code $status, not 1"
    grep -q "cannot draw final.svg: SVG is a POSIX-only format" "$scratch/svg-error" ||
      fail "an SVG picture: $(cat "$scratch/svg-error")"
    ;;
  desktop)
    # The run's programs share one virtual desktop of the screen's size on the
    # run's display, whose work area is the whole screen; winlist, from a process
    # of its own, sees another program's window in front, moves it and closes it
    # as the user would.
    xdotool search --name '^Default - Wine desktop$' >/dev/null ||
      fail "no virtual desktop on the display ${DISPLAY:-(none)}"
    winlist() { wine "$bin/winlist.exe" "$@" | tr -d '\r'; }
    same '{"workarea":[0,0,1024,768],"screen":[1024,768],"fullscreen":[1024,779],"maximized":[1032,806],"frame":[4,4],"minimized":[160,24]}' \
      "$(winlist workarea)" "the desktop's work area and metrics"
    wine "$bin/winlist.exe" other 120 >/dev/null 2>&1 &
    other=$!
    trap 'kill $other 2>/dev/null || true; rm -rf "$scratch"' EXIT
    for _ in $(seq 50); do
      window=$(winlist list | grep '"title":"Another application"' || true)
      [[ $window == *'"foreground":true'* ]] && break
      sleep 0.2
    done
    [[ $window == *'"visible":true,"iconic":false'*'"foreground":true'* ]] ||
      fail "another application's window is not visible in front: $window"
    winlist move "Another application" 100 120
    winlist list | grep '"title":"Another application"' | grep -q '"rect":\[100,120,420,320\]' ||
      fail "the window did not move to 100,120: $(winlist list)"
    winlist close "Another application"
    wait $other || fail "the other application ended with exit code $?"
    ! winlist list | grep -q '"title":"Another application"' || fail "its window is still listed"
    ;;
  *)
    fail "no case $case_name"
    ;;
esac
echo "passed: $case_name"

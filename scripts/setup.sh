#!/usr/bin/env bash
# Installs the Debian packages a stage needs (as root), or says exactly what to
# install. "demo" is what the guided tour needs: the compiler, CMake, the
# libraries of the command and the add-in, and the fonts the pictures are drawn
# with. "tests" adds the test, benchmark, fuzzing, format and schema tools, and
# the Windows build's cross compiler, GoogleTest sources, Wine, icoutils, the X
# server its tests put Wine's windows on, and xdotool and ImageMagick, which give
# those windows a person's input and read the screen.
#   scripts/setup.sh demo|tests
set -euo pipefail
DEMO=(g++ cmake ninja-build pkg-config nlohmann-json3-dev libcli11-dev libcairo2-dev
      fonts-urw-base35)
TESTS=(libgtest-dev libgmock-dev libbenchmark-dev fp-compiler clang libclang-rt-14-dev
       clang-format python3-jsonschema binutils dpkg-dev
       g++-mingw-w64-x86-64-posix googletest wine wine64 icoutils xvfb xdotool
       imagemagick)
case "${1:-}" in
  demo) PACKAGES=("${DEMO[@]}") ;;
  tests) PACKAGES=("${DEMO[@]}" "${TESTS[@]}") ;;
  *) echo "usage: scripts/setup.sh demo|tests" >&2; exit 2 ;;
esac
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" = 0 ]; then
    echo "Installing the missing Debian packages: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  else
    echo "These Debian packages are missing. Install them as root with:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

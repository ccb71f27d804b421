#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root), or says
# exactly what to install.
set -euo pipefail
PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev libcli11-dev libcairo2-dev fp-compiler clang libclang-rt-14-dev
          clang-format)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" = 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "These Debian packages are missing. Install them as root with:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

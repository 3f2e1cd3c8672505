#!/usr/bin/env bash
# Installs every Debian package Vantrel needs to build, test and run.
# Idempotent: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates
  qt6-base-dev qt6-svg-dev libgl-dev
  libpng-dev zlib1g-dev libuemf-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipaexfont-gothic
  xvfb xauth
  clang libclang-rt-14-dev
)

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs every Debian package Vantrel needs to build, test and run.
# Idempotent: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates
  qt6-base-dev qt6-svg-dev libgl-dev
  libpng-dev zlib1g-dev libuemf-dev libfontconfig-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipaexfont-gothic
  xvfb xauth
  # Readers written by others that the tests open our files with: PDF pages,
  # and metafiles (libwmf draws nothing without the URW fonts).
  poppler-utils emf2svg libwmf-bin fonts-urw-base35
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

# Node.js runs the bundled DWG converter (tools/dwg2dxf). Debian 12's own
# nodejs (18) is enough; a newer Node.js already on the machine is kept, and
# so is the npm that comes with it (installing Debian's npm beside it would
# replace it).
node_packages=()
command -v node >/dev/null 2>&1 || node_packages+=(nodejs)
command -v npm >/dev/null 2>&1 || node_packages+=(npm)
if [ "${#node_packages[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${node_packages[@]}"
fi

# The converter's engines, at the versions package-lock.json pins; installed
# again only when the lock file changed since the last install.
converter_dir="$(cd "$(dirname "$0")/.." && pwd)/tools/dwg2dxf"
stamp="$converter_dir/node_modules/.installed-lock.json"
if ! cmp -s "$converter_dir/package-lock.json" "$stamp"; then
  (cd "$converter_dir" && npm ci --omit=dev --no-audit --no-fund --loglevel=error)
  cp "$converter_dir/package-lock.json" "$stamp"
fi

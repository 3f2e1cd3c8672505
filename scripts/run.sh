#!/usr/bin/env bash
# Builds the viewer and the command-line tool and opens the viewer on the
# bundled samples, with the first drawing on the detail tab. Without a
# display it runs the command-line job on the samples instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir="$top/build"
cmake -S "$top" -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" -j "$(nproc)" --target vantrel vantrel-cli
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the command-line job on samples/ instead."
  exec bash "$top/scripts/run-samples.sh" --built
fi
first=$(ls "$top"/samples/*.dxf | head -n 1)
exec "$dir/app/vantrel" "$first"

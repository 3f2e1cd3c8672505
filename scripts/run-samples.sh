#!/usr/bin/env bash
# Builds Vantrel and runs the command-line tool over the bundled samples:
# probes, model dumps, the folder's list images and one picture per drawing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" != "--built" ]; then
  cmake -S "$top" -B "$top/build" -G Ninja >/dev/null
  cmake --build "$top/build" -j "$(nproc)" --target vantrel-cli
fi
cli="$top/build/cli/vantrel-cli"
out="$top/build/samples-out"
mkdir -p "$out/thumbs" "$out/render"
"$cli" probe "$top"/samples/*.dxf
for f in "$top"/samples/*.dxf; do
  echo "== $(basename "$f")"
  "$cli" dump "$f"
  "$cli" render "$f" -o "$out/render/$(basename "$f" .dxf).png" --size 800x600
done
"$cli" thumbs "$top/samples" -o "$out/thumbs"
echo "pictures in $out"

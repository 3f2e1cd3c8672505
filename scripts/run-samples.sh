#!/usr/bin/env bash
# Builds Vantrel and runs the command-line tool over the bundled samples.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh" "$top/build"
cli="$top/build/cli/vantrel-cli"
"$cli" probe "$top"/samples/*.dxf
for f in "$top"/samples/*.dxf; do
  echo "== $(basename "$f")"
  "$cli" dump "$f"
done

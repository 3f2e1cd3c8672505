#!/usr/bin/env bash
# The flattened model of every corpus DXF, as `vantrel-cli dump --stage flat
# --json` writes it, kept as one checksum per file so that a change to the
# model or the passes can be shown to leave every dump byte for byte alike.
#   check-corpus-dumps.sh record DIR [CLI]    writes DIR/dumps.txt
#   check-corpus-dumps.sh compare DIR [CLI]   fails on any file that differs
# CLI defaults to build/cli/vantrel-cli; the corpus is ../shared/corpus.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:?record or compare}
dir=${2:?folder for the checksums}
cli=${3:-"$top/build/cli/vantrel-cli"}
corpus="$top/../shared/corpus/dxf"
[ -d "$corpus" ] || { echo "no corpus at $corpus"; exit 0; }
mkdir -p "$dir"
now=$(mktemp)
trap 'rm -f "$now"' EXIT
for f in "$corpus"/*; do
  set +e
  sum=$("$cli" dump "$f" --stage flat --json 2>/dev/null | sha256sum | cut -d' ' -f1)
  code=${PIPESTATUS[0]}
  set -e
  printf '%s\t%s\t%s\n' "$(basename "$f")" "$code" "$sum" >>"$now"
done
case $mode in
  record) mv "$now" "$dir/dumps.txt"; trap - EXIT; wc -l <"$dir/dumps.txt" | xargs echo "recorded" ;;
  compare)
    if diff "$dir/dumps.txt" "$now"; then
      wc -l <"$now" | xargs echo "identical dumps:"
    else
      echo "dumps differ (name, exit code, sha256: recorded < > now)"
      exit 1
    fi ;;
  *) echo "record or compare"; exit 2 ;;
esac

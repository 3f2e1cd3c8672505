#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while
# (FUZZ_SECONDS, 20 by default), seeded from the samples and the corpus.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-20}
dir="$top/build-fuzz"
CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DVANTREL_FUZZ=ON -DVANTREL_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=$(cd "$top/tests/fuzz" && ls fuzz_*.cpp 2>/dev/null | sed 's/\.cpp$//')
[ -n "$targets" ] || { echo "no fuzz targets"; exit 0; }
cmake --build "$dir" -j "$(nproc)" --target $targets
for t in $targets; do
  seeds="$dir/seeds-$t"
  rm -rf "$seeds"; mkdir -p "$seeds"
  cp "$top"/samples/* "$seeds"/ 2>/dev/null || true
  if [ -d "$top/../shared/corpus" ]; then
    find "$top/../shared/corpus" -type f \( -name '*.dxf' -o -name '*.DXF' -o -name '*.dwg' \) \
      -size -600k -exec cp {} "$seeds"/ \;
  fi
  echo "== $t for ${seconds}s"
  "$dir/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=262144 \
    "$seeds" 2>&1 | tail -n 3
done

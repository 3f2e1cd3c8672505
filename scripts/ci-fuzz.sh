#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while
# (FUZZ_SECONDS, 20 by default), seeded from the samples, the corpus and the
# target's own seeds in tests/fuzz/seeds/<target>. FUZZ_BUILD_DIR picks the
# build folder, FUZZ_TARGETS a subset of the targets. A crash fails the run and
# leaves its input as crash-* in the build folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-20}
dir=${FUZZ_BUILD_DIR:-"$top/build-fuzz"}
CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DVANTREL_FUZZ=ON -DVANTREL_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=${FUZZ_TARGETS:-$(cd "$top/tests/fuzz" && ls fuzz_*.cpp 2>/dev/null | sed 's/\.cpp$//')}
[ -n "$targets" ] || { echo "no fuzz targets"; exit 0; }
cmake --build "$dir" -j "$(nproc)" --target $targets
for t in $targets; do
  seeds="$dir/seeds-$t"
  rm -rf "$seeds"; mkdir -p "$seeds"
  cp "$top"/samples/*.dxf "$seeds"/ 2>/dev/null || true
  cp "$top/tests/fuzz/seeds/$t"/* "$seeds"/ 2>/dev/null || true
  if [ -d "$top/../shared/corpus" ]; then
    find "$top/../shared/corpus" -type f \( -name '*.dxf' -o -name '*.DXF' -o -name '*.dwg' \) \
      -size -600k -exec cp {} "$seeds"/ \;
  fi
  echo "== $t for ${seconds}s"
  log="$dir/$t.log"
  if "$dir/tests/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -max_len=262144 -artifact_prefix="$dir/" "$seeds" >"$log" 2>&1; then
    tail -n 2 "$log"
  else
    tail -n 60 "$log"
    echo "== $t failed; see $log"
    exit 1
  fi
done

#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS seconds (default 60) from its seed corpus in fuzz/corpus.
# Usage: fuzz/run_fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(data_file pair_engine checker export)

CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNAX_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/%/_fuzzer}" >/dev/null

for target in "${targets[@]}"; do
  work=$(mktemp -d)
  mkdir "$work/corpus"
  cp "$root/fuzz/corpus/$target/"* "$work/corpus/"
  # A data file runs the whole engine; keep those inputs short enough for many runs.
  max_len=4096
  [ "$target" = pair_engine ] && max_len=256
  [ "$target" = data_file ] && max_len=2048
  echo "fuzzing $target for $seconds s"
  status=0
  (cd "$work" && "$build/fuzz/${target}_fuzzer" corpus -max_total_time="$seconds" \
    -max_len="$max_len" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 >log.txt 2>&1) ||
    status=$?
  grep -E '^#[0-9]+ +DONE|stat::number_of_executed_units|ERROR|SUMMARY|fault:|failed|parts ways' \
    "$work/log.txt" | tail -8
  if [ "$status" -ne 0 ]; then
    mkdir -p "$root/fuzz/findings"
    cp "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$root/fuzz/findings/" 2>/dev/null || true
    echo "fuzz target $target failed; its input is in fuzz/findings"
    rm -rf "$work"
    exit 1
  fi
  rm -rf "$work"
done

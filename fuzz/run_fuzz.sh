#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS seconds (default 60) from its seed corpus in fuzz/corpus (the
# pair engine's from the stage-by-stage vectors in tests/data/engine).
# Usage: fuzz/run_fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(data_file pair_engine checker export import)

CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNAX_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/%/_fuzzer}" >/dev/null

for target in "${targets[@]}"; do
  work=$(mktemp -d)
  mkdir "$work/corpus"
  if [ "$target" = pair_engine ]; then
    # The engine's seeds are the pairs of the stage-by-stage vectors: the gap character, the
    # two states and the weights.
    python3 - "$work/corpus" "$root"/tests/data/engine/*.tsv <<'PY'
import csv, sys
n = 0
for path in sys.argv[2:]:
    for row in csv.DictReader(open(path, encoding='latin-1'), delimiter='\t'):
        seed = row['gap'] + row['state0'] + '\0' + row['state1'] + '\0' + ' '.join(
            row[w] for w in ('wTransition', 'wTransversion', 'wInsertion'))
        open(f'{sys.argv[1]}/pair_{n}', 'wb').write(seed.encode('latin-1'))
        n += 1
PY
  else
    cp "$root/fuzz/corpus/$target/"* "$work/corpus/"
  fi
  # A data file runs the whole engine; keep those inputs short enough for many runs.
  max_len=4096
  [ "$target" = pair_engine ] && max_len=256
  [ "$target" = data_file ] && max_len=2048
  # The NEXUS Class Library leaks the blocks it was building when it refuses a file (repeated
  # names, for one): leaks are not looked for in the import target.
  leaks=1
  [ "$target" = import ] && leaks=0
  echo "fuzzing $target for $seconds s"
  status=0
  (cd "$work" && ASAN_OPTIONS="detect_leaks=$leaks" "$build/${target}_fuzzer" corpus \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=60 -rss_limit_mb=2048 \
    -detect_leaks="$leaks" -print_final_stats=1 >log.txt 2>&1) ||
    status=$?
  grep -E '^#[0-9]+ +DONE|stat::number_of_executed_units|ERROR|SUMMARY|fault:|failed|parts ways' \
    "$work/log.txt" | tail -8 || true
  if [ "$status" -ne 0 ]; then
    mkdir -p "$root/fuzz/findings"
    cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$root/fuzz/findings/" \
      2>/dev/null || true
    echo "fuzz target $target failed; its input is in fuzz/findings"
    rm -rf "$work"
    exit 1
  fi
  rm -rf "$work"
done

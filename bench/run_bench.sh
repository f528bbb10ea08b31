#!/usr/bin/env bash
# End-to-end benchmark of vornax: builds it, generates a real-looking data set and one at
# the limits, and runs vornax on each on every processor, held to one processor, and (with
# --baseline) the engine as it first landed, held to one processor. Prints wall time, CPU
# time and peak memory, and checks that every run wrote the same bytes.
# Usage: bench/run_bench.sh [--baseline]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target vornax vornax_baseline make_data >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_data" real 1 >"$work/real.dat"
"$build/bench/make_data" limit 1 >"$work/limit.dat"

# run LABEL DATAFILE COMMAND...: runs COMMAND in a fresh directory with the dialogue piped in.
run() {
  local label=$1 data=$2
  shift 2
  local dir="$work/$label-$data"
  mkdir -p "$dir"
  (cd "$dir" && printf '../%s\n1\n1\n1\n' "$data" |
    /usr/bin/time -f '%e %U %S %M' -o time.txt "$@" >console.txt)
  read -r wall user sys memory <"$dir/time.txt"
  awk -v d="$data" -v l="$label" -v w="$wall" -v u="$user" -v s="$sys" \
    -v m="$memory" 'BEGIN { printf "%-10s %-28s %9.2f s %9.2f s %8.1f MB\n", d, l, w, u + s, m / 1024 }'
  if [ -e "$work/reference-$data" ]; then
    cmp -s "$dir/StepMatrix" "$work/reference-$data/StepMatrix" &&
      cmp -s "$dir/Alignments" "$work/reference-$data/Alignments" &&
      cmp -s "$dir/console.txt" "$work/reference-$data/console.txt" ||
      { echo "  different output!"; exit 1; }
  else
    ln -s "$dir" "$work/reference-$data"
  fi
}

printf '%-10s %-28s %11s %11s %11s\n' "data" "vornax" "wall" "CPU" "peak memory"
for data in real.dat limit.dat; do
  run "all processors ($(nproc))" "$data" "$build/vornax"
  run "one processor" "$data" taskset -c 0 "$build/vornax"
  if [ "${1:-}" = "--baseline" ]; then
    run "baseline, one processor" "$data" taskset -c 0 "$build/bench/vornax_baseline"
  fi
done

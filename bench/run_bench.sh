#!/usr/bin/env bash
# End-to-end benchmark of vornax: builds it, generates a real-looking data set and one at
# the limits, and times vornax on each, on every processor and held to one processor. With
# --against REV it also builds git revision REV in a temporary worktree and times it the same
# way, alternating its runs with the current tree's, so that both meet the same machine
# (--against may be given more than once).
# Prints the median wall time, CPU time and peak memory of each, and checks that every run
# wrote the same bytes as the first.
# Usage: bench/run_bench.sh [--against REV] [--runs N] [--data real|limit|both]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
against=() runs=3 sets="real limit"
while [ $# -gt 0 ]; do
  case $1 in
    --against) against+=("$2"); shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --data) sets=$2; [ "$sets" = both ] && sets="real limit"; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run_bench.sh: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d)
cleanup() {
  for tree in "$work"/rev-*/; do
    [ -d "$tree/.git" ] || [ -f "$tree/.git" ] && git -C "$root" worktree remove --force "$tree"
  done 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

echo "building the current tree ..." >&2
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vornax make_data >/dev/null
programs=("current:$build/vornax")
for rev in "${against[@]}"; do
  commit=$(git -C "$root" rev-parse --short "$rev^{commit}")
  tree=$work/rev-$commit
  echo "building $rev ($commit) in a temporary worktree ..." >&2
  git -C "$root" worktree add --detach "$tree" "$commit" >/dev/null 2>&1
  { cmake -S "$tree" -B "$tree-build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF &&
    cmake --build "$tree-build" -j"$(nproc)" --target vornax; } >"$tree-build.log" 2>&1 ||
    { cat "$tree-build.log" >&2; exit 1; }
  programs+=("$commit:$(find "$tree-build" -name vornax -type f -perm -u+x | head -n 1)")
done
for data in $sets; do "$build/make_data" "$data" 1 >"$work/$data.dat"; done

# run LABEL DATA COMMAND...: one run in a fresh directory with the dialogue piped in; appends
# "wall cpu memory" to $work/LABEL-DATA.times and compares the outputs with the first run's.
run() {
  local label=$1 data=$2
  shift 2
  local dir
  dir=$(mktemp -d "$work/run.XXXX")
  (cd "$dir" && printf '../%s.dat\n1\n1\n1\n' "$data" |
    /usr/bin/time -f '%e %U %S %M' -o time.txt "$@" >console.txt)
  read -r wall user sys memory <"$dir/time.txt"
  echo "$wall $(echo "$user + $sys" | bc) $memory" >>"$work/$label-$data.times"
  local reference="$work/reference-$data"
  if [ -e "$reference" ]; then
    for f in StepMatrix Alignments console.txt; do
      cmp -s "$dir/$f" "$reference/$f" || { echo "$label on $data: $f differs!" >&2; exit 1; }
    done
    rm -rf "$dir"
  else
    mv "$dir" "$reference"
  fi
}

# The median of column COLUMN of FILE.
median() { sort -n -k"$2" "$1" | awk -v c="$2" '{v[NR] = $c} END {print v[int((NR + 1) / 2)]}'; }

labels=()
for data in $sets; do
  for ((i = 1; i <= runs; i++)); do
    echo "$data: round $i of $runs ..." >&2
    for entry in "${programs[@]}"; do
      name=${entry%%:*} program=${entry#*:}
      run "$name, all processors ($(nproc))" "$data" "$program"
      run "$name, one processor" "$data" taskset -c 0 "$program"
    done
  done
done

printf '%-6s %-32s %10s %10s %12s\n' data vornax wall CPU "peak memory"
for data in $sets; do
  for entry in "${programs[@]}"; do
    name=${entry%%:*}
    for label in "$name, all processors ($(nproc))" "$name, one processor"; do
      f="$work/$label-$data.times"
      printf '%-6s %-32s %8.2f s %8.2f s %9.1f MB\n' "$data" "$label" "$(median "$f" 1)" \
        "$(median "$f" 2)" "$(echo "$(median "$f" 3) / 1024" | bc -l)"
    done
  done
done
echo "every run wrote the same StepMatrix, Alignments and console text ($runs runs each)"

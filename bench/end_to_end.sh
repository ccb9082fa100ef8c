#!/usr/bin/env bash
# End-to-end timing of kelmor against a floor (read the file, parse every number, nothing else)
# and a straightforward fscanf version of the same conversion, on generated spectra. Builds the
# bench preset (the release build with the benchmarks).
#
# Usage: bench/end_to_end.sh [RUNS]        (default 5 runs of each program per size)
# Environment: KELMOR_BENCH_SIZES (points per spectrum, default "200000 2000000 20000000"),
#              KELMOR_BENCH_DIR (where the spectra go, default build/bench/spectra; they are
#              kept there for the next run).
# The programs run alternately, each in a new session without a terminal; the table gives the
# median wall time, its ratio to the floor's, and the peak resident memory.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
sizes=${KELMOR_BENCH_SIZES:-"200000 2000000 20000000"}
dir=${KELMOR_BENCH_DIR:-$PWD/build/bench/spectra}
mkdir -p "$dir"

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
build=$PWD/build/bench
measure=$build/bench/kelmor_measure

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "| points | file MB | program | median s | x floor | peak MiB | MiB allowed |"
echo "|---:|---:|---|---:|---:|---:|---:|"
for points in $sizes; do
  spectrum=$dir/spectrum-$points.txt
  [ -f "$spectrum" ] || "$build/bench/kelmor_make_spectrum" "$points" "$spectrum"
  printf 'spectrum-%s.txt 2 1 2 report-%s.txt\n' "$points" "$points" > "$dir/replies-$points"
  declare -A times=() memory=()
  for ((run = 1; run <= runs; run++)); do
    for program in kelmor floor fscanf; do
      case $program in
        kelmor) result=$(cd "$dir" && "$measure" "replies-$points" "$build/kelmor") ;;
        floor) result=$("$measure" /dev/null "$build/bench/kelmor_floor" "$spectrum") ;;
        fscanf) result=$("$measure" /dev/null "$build/bench/kelmor_fscanf" "$spectrum" 2 1 2 \
                           "$dir/fscanf-report-$points.txt") ;;
      esac
      times[$program]+="${result% *} "
      memory[$program]+="${result#* } "
    done
  done
  floor=$(tr ' ' '\n' <<< "${times[floor]}" | grep . | median)
  megabytes=$(awk -v b="$(stat -c %s "$spectrum")" 'BEGIN { printf "%.0f", b / 1e6 }')
  allowed=$(awk -v n="$points" 'BEGIN { printf "%.0f", (2.5 * 16 * n) / 1048576 + 16 }')
  for program in kelmor floor fscanf; do
    time=$(tr ' ' '\n' <<< "${times[$program]}" | grep . | median)
    peak=$(tr ' ' '\n' <<< "${memory[$program]}" | grep . | sort -n | tail -1)
    awk -v n="$points" -v mb="$megabytes" -v p="$program" -v t="$time" -v f="$floor" \
        -v m="$peak" -v a="$allowed" \
        'BEGIN { printf "| %d | %d | %s | %.3f | %.2f | %.1f | %s |\n", n, mb, p, t, t / f, m / 1024, (p == "kelmor" ? a : "") }'
  done
  unset times memory
done
echo
echo "spectra and reports in $dir"

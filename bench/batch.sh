#!/usr/bin/env bash
# solvara-report --batch against the pandas reference scorer (batch/reference.py) on
# generated files of 10^4, 10^5 and 10^6 applicants: wall time end to end (read, score,
# write), applicants a second, our CPU time (user + system, all threads: what the run
# costs whatever else the machine is doing) and CPU per applicant, peak resident memory,
# whether the two outputs agree byte for byte, and the machine's load (1-minute average)
# as each size began. For the largest size, also the README's GNU parallel recipe run on
# this one machine, against one process. Prints one Markdown table for bench/README.md.
#
#   bench/batch.sh [BUILD_DIR]     default build-bench; RUNS=3 runs each, median kept;
#                                  SIZES="10000 100000 1000000" the files' sizes
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
runs=${RUNS:-3}
python=/usr/bin/python3  # Debian's, where python3-pandas and python3-numpy install

# The reference needs Debian's pandas and numpy; they are no test dependencies.
if ! "$python" -c 'import pandas, numpy' 2>/dev/null; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The reference scorer needs python3-pandas and python3-numpy (apt-get install)." >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    python3-pandas python3-numpy
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVARA_BENCH=ON >/dev/null
cmake --build "$build" --target solvara-report >/dev/null
program=$build/cli/solvara-report

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Median of the runs' "seconds kibibytes cpu-seconds" lines, by seconds.
median() { sort -n | awk '{ a[NR] = $0 } END { print a[int((NR + 1) / 2)] }'; }
measure() {  # output-file command...: prints "seconds peak-KiB cpu-seconds" of one run
  local output=$1
  shift
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >"$output"
  awk '{ print $1, $2, $3 + $4 }' "$work/time"
}

load() { cut -d' ' -f1 /proc/loadavg; }
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//');" \
  "load before: $(cut -d' ' -f1-3 /proc/loadavg); $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
printf '| %-10s | %-4s | %-20s | %-24s | %-20s | %-24s | %-8s | %-24s | %-5s |\n' applicants \
  load "ours: s (a second)" "ours: CPU s (µs each)" "pandas: s (a second)" \
  "pandas: CPU s (µs each)" "speed-up" "peak RSS ours / pandas" agree
printf '|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n' ------------ ------ ---------------------- \
  -------------------------- ---------------------- -------------------------- ---------- \
  -------------------------- -------
last=
for n in ${SIZES:-10000 100000 1000000}; do
  in=$work/in-$n.jsonl
  "$python" bench/batch/generate.py "$program" "$n" >"$in"
  at=$(load)
  ours=$(for _ in $(seq "$runs"); do
    measure "$work/ours.jsonl" "$program" --batch <"$in"; done | median)
  theirs=$(for _ in $(seq "$runs"); do
    measure /dev/null "$python" bench/batch/reference.py "$in" "$work/theirs.jsonl"; done | median)
  agree=no
  cmp -s "$work/ours.jsonl" "$work/theirs.jsonl" && agree=yes
  read -r ours_s ours_kb ours_cpu <<<"$ours"
  read -r theirs_s theirs_kb theirs_cpu <<<"$theirs"
  awk -v n="$n" -v l="$at" -v os="$ours_s" -v ok="$ours_kb" -v oc="$ours_cpu" -v ts="$theirs_s" \
    -v tk="$theirs_kb" -v tc="$theirs_cpu" -v a="$agree" 'BEGIN {
      os = os > 0 ? os : 0.005; oc = oc > 0 ? oc : 0.005
      printf "| %10d | %4.1f | %6.2f (%9.0f /s) | %6.2f (%6.3f µs) | %7.2f (%7.0f /s) | %7.2f (%7.2f µs) | %7.1fx | %6.1f MiB / %7.1f MiB | %-5s |\n",
        n, l, os, n / os, oc, oc * 1e6 / n, ts, n / ts, tc, tc * 1e6 / n, ts / os, ok / 1024, tk / 1024, a }'
  last=$n
done

# One machine: the README's GNU parallel recipe (parts of 10 MB, one solvara-report each)
# against one process on the largest file. One process already uses every core.
if [ -n "$last" ] && command -v parallel >/dev/null; then
  in=$work/in-$last.jsonl
  at=$(load)
  split=$(for _ in $(seq "$runs"); do
    measure "$work/parallel.jsonl" parallel --will-cite --pipe --keep-order --block 10M \
      "$program" --batch <"$in"; done | median)
  one=$(for _ in $(seq "$runs"); do
    measure "$work/ours.jsonl" "$program" --batch <"$in"; done | median)
  agree=no
  cmp -s "$work/ours.jsonl" "$work/parallel.jsonl" && agree=yes
  echo
  read -r split_s split_kb split_cpu <<<"$split"
  read -r one_s _ one_cpu <<<"$one"
  awk -v n="$last" -v l="$at" -v ps="$split_s" -v pc="$split_cpu" -v os="$one_s" -v oc="$one_cpu" \
    -v a="$agree" 'BEGIN {
      printf "GNU parallel on this machine, %d applicants (load %.1f): %.2f s wall, %.2f s CPU (%.3f µs each);" \
        " one process: %.2f s wall, %.2f s CPU (%.3f µs each); parallel takes %.1fx the wall time and %.1fx the CPU;" \
        " outputs agree: %s\n", n, l, ps, pc, pc * 1e6 / n, os, oc, oc * 1e6 / n, ps / os, pc / oc, a }'
fi
echo
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"

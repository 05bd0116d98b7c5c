#!/usr/bin/env bash
# solvara-report --batch against the pandas reference scorer (batch/reference.py) on
# generated files of 10^4, 10^5 and 10^6 applicants: wall time end to end (read, score,
# write), applicants a second, our CPU time (user + system, all threads: what the run
# costs whatever else the machine is doing), peak resident memory, and whether the two
# outputs agree byte for byte. Prints one Markdown table for bench/README.md.
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

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//');" \
  "load before: $(cut -d' ' -f1-3 /proc/loadavg); $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
printf '| %-10s | %-21s | %-20s | %-20s | %-8s | %-24s | %-5s |\n' applicants \
  "ours: s (a second)" "ours: CPU s (per s)" "pandas: s (a second)" "speed-up" \
  "peak RSS ours / pandas" agree
printf '|%s|%s|%s|%s|%s|%s|%s|\n' ------------ ----------------------- \
  ---------------------- ---------------------- ---------- -------------------------- -------
for n in ${SIZES:-10000 100000 1000000}; do
  in=$work/in-$n.jsonl
  "$python" bench/batch/generate.py "$program" "$n" >"$in"
  ours=$(for _ in $(seq "$runs"); do
    measure "$work/ours.jsonl" "$program" --batch <"$in"; done | median)
  theirs=$(for _ in $(seq "$runs"); do
    measure /dev/null "$python" bench/batch/reference.py "$in" "$work/theirs.jsonl"; done | median)
  agree=no
  cmp -s "$work/ours.jsonl" "$work/theirs.jsonl" && agree=yes
  read -r ours_s ours_kb ours_cpu <<<"$ours"
  read -r theirs_s theirs_kb _ <<<"$theirs"
  awk -v n="$n" -v os="$ours_s" -v ok="$ours_kb" -v oc="$ours_cpu" -v ts="$theirs_s" \
    -v tk="$theirs_kb" -v a="$agree" 'BEGIN {
      os = os > 0 ? os : 0.005; oc = oc > 0 ? oc : 0.005
      printf "| %10d | %7.2f (%8.0f /s) | %6.2f (%8.0f /s) | %7.2f (%7.0f /s) | %7.1fx | %6.1f MiB / %7.1f MiB | %-5s |\n",
        n, os, n / os, oc, n / oc, ts, n / ts, ts / os, ok / 1024, tk / 1024, a }'
done
echo
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# solvara-report --batch split across processes by GNU parallel, the README's recipe:
# the joined output must be byte for byte that of one process. The input holds no bad
# lines, since an error object's line number counts within the part a process was given.
#
#   batch_parallel.sh PROGRAM WORK_DIR
set -euo pipefail
program=$1
work=$2
mkdir -p "$work"

# 20000 applicants from a fixed seed, some keys as numbers and some as strings.
awk 'BEGIN {
  srand(14)
  split("single married divorced other", marital, " ")
  split("tenant parents owner local-authority other", home, " ")
  split("no yes more-than-one", count, " ")
  for (i = 0; i < 20000; i++) {
    line = sprintf("{\"age\":%d,\"marital\":\"%s\",\"residential\":\"%s\",\"address-years\":\"%d\"",
                   18 + int(rand() * 49), marital[1 + int(rand() * 4)], home[1 + int(rand() * 5)],
                   int(rand() * 22))
    if (rand() < 0.7) line = line sprintf(",\"occupation\":%d,\"job-years\":%d", int(rand() * 29), int(rand() * 22))
    if (rand() < 0.5) line = line ",\"telephone\":\"0123\""
    if (rand() < 0.6) line = line sprintf(",\"salary\":\"%d\"", int(rand() * 90000))
    line = line sprintf(",\"live-accounts\":%d,\"defaults\":\"%s\",\"ccj\":\"%s\"}",
                        int(rand() * 10), count[1 + int(rand() * 3)], count[1 + int(rand() * 3)])
    print line
  }
}' >"$work/applicants.jsonl"

"$program" --batch <"$work/applicants.jsonl" >"$work/one.jsonl"
# Blocks of about 100 kB (a few hundred lines), two processes at a time, output in the
# order of the blocks.
parallel --will-cite --pipe --keep-order --block 100k -j 2 "$program" --batch \
  <"$work/applicants.jsonl" >"$work/split.jsonl"

lines=$(wc -l <"$work/one.jsonl")
if [ "$lines" -ne 20000 ]; then
  echo "one process wrote $lines lines for 20000 applicants" >&2
  exit 1
fi
if ! cmp "$work/one.jsonl" "$work/split.jsonl"; then
  echo "the output split by parallel differs from that of one process" >&2
  exit 1
fi
echo "20000 applicants: the same output from one process and from parallel --pipe --keep-order"

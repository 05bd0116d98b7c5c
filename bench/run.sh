#!/usr/bin/env bash
# Measures the desktop program against its targets and prints one table:
#
#   start-up     process start to the main window's first paint, solvara against a
#                bare Qt program (QMainWindow + QTextBrowser), median of RUNS each;
#                target: at most 1.15 times the bare program
#   memory       peak resident set (VmHWM) of the same runs, median;
#                target: at most 1.10 times the bare program
#   report       "Finish" click to the report painted in WebReport, median of CLICKS;
#                target: under 16 ms
#   core chain   coding, scoring and analysis of one applicant, from solvara_bench
#
# Run by hand on an otherwise quiet machine; it is not part of the test run.
#   bench/run.sh [BUILD_DIR]        (default: build-bench; RUNS=10 CLICKS=100)
# Without a display it runs itself again under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${RUNS:-10}
clicks=${CLICKS:-100}

if [ -z "${SOLVARA_BENCH_IN_XVFB:-}" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVARA_BENCH=ON \
    -DSOLVARA_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target solvara solvara_bare solvara_paintwatch \
    solvara_report_latency solvara_bench >/dev/null
  # A display of its own, without a window manager, the same for every run.
  export SOLVARA_BENCH_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi

export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
watch=$build/bench/bare/solvara_paintwatch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

field() { sed -n "s/.*\\b$1=\\([-0-9.]*\\).*/\\1/p"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "met" : "NOT met" }'; }

# Start-up and memory: the two programs take turns, so that any drift of the machine
# falls on both alike. Both run without a network (a network namespace of their own
# when we may make one), so that a name server's mood does not enter the figures.
# solvara's news address then fails at once: it shows a message box with the
# address, which paintwatch answers as soon as it is painted, and then the built-in
# news page.
load=$(cut -d' ' -f1-3 /proc/loadavg)
offline=()
if unshare --net true 2>/dev/null; then
  offline=(unshare --net)
fi
for ((i = 1; i <= runs; i++)); do
  "${offline[@]}" "$watch" --name "Solvara bare" -- "$build/bench/bare/solvara_bare" \
    >>"$work/bare" 2>>"$work/log"
  "${offline[@]}" "$watch" --name Solvara --answer-dialogs -- "$build/solvara" \
    >>"$work/solvara" 2>>"$work/log"
done

pick() { field "$2" <"$work/$1" | median; }
bare_paint=$(pick bare first_paint)
sol_paint=$(pick solvara first_paint)
sol_settled=$(pick solvara settled)
sol_dialog=$(pick solvara dialog)
bare_kb=$(pick bare vmhwm_kb)
sol_kb=$(pick solvara vmhwm_kb)
paint_ratio=$(ratio "$sol_paint" "$bare_paint")
settled_ratio=$(ratio "$sol_settled" "$bare_paint")
mem_ratio=$(ratio "$sol_kb" "$bare_kb")

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

latency=$("$build/bench/bare/solvara_report_latency" "$clicks" 2>>"$work/log")
report_ms=$(field median_ms <<<"$latency")
report_p90=$(field p90_ms <<<"$latency")

# The core chain: solvara_bench's per-applicant figure, in microseconds of CPU time
# (the wall time swells with whatever else the machine runs) and of wall time.
chain_json=$("$build/bench/solvara_bench" --benchmark_format=json --benchmark_min_time=0.5 \
  2>>"$work/log")
chain=$(python3 -c '
import json, sys
runs = json.loads(sys.stdin.read())["benchmarks"]
scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
chain = [b for b in runs if "chain" in b["name"].lower() or "applicant" in b["name"].lower()]
for b in chain or runs:
    unit = scale[b["time_unit"]]
    print("%s %.2f %.2f" % (b["name"], b["cpu_time"] * unit, b["real_time"] * unit))
' <<<"$chain_json")

cpu=$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n1)
mem=$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
qt=$(dpkg-query -W -f '${Version}' libqt6widgets6 2>/dev/null || echo "?")

kb_to_mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
printf 'Machine: %s, %s cores, %s; %s; Qt %s; Xvfb 1280x1024x24, no window manager\n' \
  "$cpu" "$(nproc)" "$mem" "$(. /etc/os-release && echo "$PRETTY_NAME")" "$qt"
printf 'Date: %s; build: Release; %s start-ups each%s, %s Finish clicks; load before: %s; after the start-ups: %s\n\n' \
  "$(date -u '+%Y-%m-%d %H:%M UTC')" "$runs" "${offline:+ (no network)}" "$clicks" "$load" "$load_after"
printf '| %-44s | %9s | %9s | %6s | %-9s | %-7s |\n' measure solvara bare ratio target result
printf '|%s|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..46})" "-----------" "-----------" \
  "--------" "-----------" "---------"
printf '| %-44s | %9.1f | %9.1f | %6s | %-9s | %-7s |\n' \
  "start-up to first paint, median (ms)" "$sol_paint" "$bare_paint" "$paint_ratio" "<= 1.15x" \
  "$(verdict "$paint_ratio" 1.15)"
printf '| %-44s | %9.1f | %9s | %6s | %-9s | %-7s |\n' \
  "  news check's message box painted (ms)" "$sol_dialog" "" "" "" ""
printf '| %-44s | %9.1f | %9s | %6s | %-9s | %-7s |\n' \
  "  built-in news page painted (ms)" "$sol_settled" "" "$settled_ratio" "" ""
printf '| %-44s | %9s | %9s | %6s | %-9s | %-7s |\n' \
  "peak resident set, median (MiB)" "$(kb_to_mib "$sol_kb")" "$(kb_to_mib "$bare_kb")" \
  "$mem_ratio" "<= 1.10x" "$(verdict "$mem_ratio" 1.10)"
printf '| %-44s | %9.2f | %9s | %6s | %-9s | %-7s |\n' \
  "Finish to report painted, median (ms)" "$report_ms" "" "" "< 16 ms" \
  "$(awk -v v="$report_ms" 'BEGIN { print (v < 16) ? "met" : "NOT met" }')"
printf '| %-44s | %9.2f | %9s | %6s | %-9s | %-7s |\n' \
  "  90th percentile (ms)" "$report_p90" "" "" "" ""
while read -r name cpu wall; do
  printf '| %-44s | %9.2f | %9s | %6s | %-9s | %-7s |\n' \
    "$name, CPU (us)" "$cpu" "" "" "" "" \
    "  wall (us)" "$wall" "" "" "" ""
done <<<"$chain"

#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each for a fixed time on a copy of
# its seed corpus (the repository is never written to). Fails when any target finds a
# crash, a leak or a sanitizer report.
#
#   FUZZ_SECONDS  seconds per target (default 30)
#   FUZZ_JOBS     build jobs (default 2)
#   FUZZ_BUILD    build folder (default build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-30}
jobs=${FUZZ_JOBS:-2}
build=${FUZZ_BUILD:-build-fuzz}

# A folder configured with another compiler cannot be switched to clang in place.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang++' "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSOLVARA_FUZZ=ON -DSOLVARA_WERROR=ON -DSOLVARA_GUI=ON -DSOLVARA_TESTS=OFF -DSOLVARA_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_targets -j "$jobs"

list="$build/fuzz/fuzz_targets.tsv"
if [ ! -s "$list" ]; then
  echo "No fuzz targets listed in $list" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0
# Qt, in the browser target, wants a runtime folder.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work}

failed=0
printf '%-28s %14s  %s\n' target executions result
while IFS=$'\t' read -r name program corpus; do
  [ -n "$name" ] || continue
  dir="$work/$name"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  if [ -d "$corpus" ]; then
    cp -R "$corpus/." "$dir/corpus/"
  else
    echo "note: $name has no seed corpus at $corpus; starting from nothing" >&2
  fi
  status=0
  # An input that takes 10 s is a hang (the budget keeps every document well under a
  # second), reported as a finding rather than stalling the run.
  "$program" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log" 2>&1 || status=$?
  executions=$(awk '/stat::number_of_executed_units:/ {print $2}' "$dir/log" | tail -n 1)
  # A sanitizer that recovers still prints its report; count that as a failure too.
  if [ "$status" -ne 0 ] ||
    grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$dir/log"; then
    result="FAILED (exit $status)"
    failed=1
  else
    result=ok
  fi
  printf '%-28s %14s  %s\n' "$name" "${executions:-?}" "$result"
  if [ "$result" != ok ]; then
    keep="$build/fuzz/findings/$name"
    mkdir -p "$keep"
    cp -R "$dir/artifacts/." "$keep/" 2>/dev/null || true
    cp "$dir/log" "$keep/log"
    echo "---- last lines of the $name log (inputs kept in $keep) ----" >&2
    tail -n 40 "$dir/log" >&2
  fi
done <"$list"

if [ "$failed" -ne 0 ]; then
  echo "Fuzzing found problems." >&2
  exit 1
fi
echo "Fuzzing found nothing."

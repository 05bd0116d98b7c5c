#!/usr/bin/env bash
# Builds Solvara from scratch and runs every test: the normal build, then a second
# build under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
jobs=$(nproc)

run_suite() {
  local dir=$1
  shift
  rm -rf "$dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== Build and test =="
# The home page is a local address here, where the real-window run records every
# request the program makes (tests/e2e).
run_suite build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVARA_WERROR=ON \
  -DSOLVARA_HOME_PAGE=http://127.0.0.1:38917

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DSOLVARA_SANITIZE=ON -DSOLVARA_WERROR=ON

if [ -x scripts/fuzz.sh ]; then
  echo "== Fuzzing =="
  scripts/fuzz.sh
fi
echo "All tests passed."

#!/usr/bin/env bash
# Builds Solvara and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVARA_TESTS=OFF >/dev/null
cmake --build build --target solvara

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: Solvara is a desktop program. Start it on a desktop, or without one as" >&2
  echo "  xvfb-run -a build/solvara" >&2
  exit 1
fi
exec build/solvara

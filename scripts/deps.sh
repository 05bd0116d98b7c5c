#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Solvara need,
# and only those that are missing. Run as root (apt-get).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-base-private-dev # the GUI tests' wheel, delivered as the platform delivers it
  libjpeg-dev nlohmann-json3-dev libsimdjson-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-dejavu-core
  xvfb xauth xdotool libxdamage-dev imagemagick x11-utils
  dbus-daemon dbus-bin # dbus-run-session, dbus-send: the real-window test's session bus
  at-spi2-core python3-pyatspi # the accessibility bus and the bindings the tests read it with
  clang libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev file lintian help2man
  poppler-utils python3-minimal parallel
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

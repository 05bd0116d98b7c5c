#!/usr/bin/env bash
# Proves the Debian package on a fresh Debian 12: builds it, installs it with
# apt-get into a clean bookworm system (a debootstrap minbase chroot), checks the
# installed layout, and starts the program with its menu entry's command on a
# virtual display, without a network, until the main window has drawn itself.
#
# Needs root and the Debian mirror; the first run downloads about 300 MB. It is run
# by hand, not by scripts/test.sh (the CI builds and inspects the package instead).
#   scripts/package-test.sh [BUILD_DIR]      (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --inside-display ]; then
  # Second stage, on the virtual display: start the installed program.
  root=$2
  mkdir -p "$root/tmp/.X11-unix"
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  trap 'umount "$root/tmp/.X11-unix"' EXIT
  cp "$XAUTHORITY" "$root/tmp/xauthority"
  command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/example.solvara.Solvara.desktop")
  chroot "$root" env -i DISPLAY="$DISPLAY" XAUTHORITY=/tmp/xauthority HOME=/root \
    PATH=/usr/bin:/bin unshare --net $command >"$root/tmp/solvara.log" 2>&1 &
  pid=$!
  window=
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Solvara$' 2>/dev/null | head -n1) || true
    [ -n "$window" ] && break
    sleep 0.1
  done
  sleep 1
  shot=$(mktemp --suffix=.png)
  [ -n "$window" ] && import -window "$window" "$shot"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [ -z "$window" ]; then
    echo "FAIL: the installed program showed no window" >&2
    cat "$root/tmp/solvara.log" >&2
    exit 1
  fi
  # A window that drew its menu, buttons and text has many colours; an undrawn or
  # blank one has a handful.
  colours=$(convert "$shot" -format %k info:)
  echo "main window drawn with $colours colours (picture: $shot)"
  [ "$colours" -gt 50 ] || {
    echo "FAIL: the main window looks blank" >&2
    exit 1
  }
  exit 0
fi

build=${1:-build-package}
base=${SOLVARA_CHROOT_BASE:-/var/tmp/solvara-bookworm-base}
root=${SOLVARA_CHROOT:-/var/tmp/solvara-bookworm}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ "$(id -u)" -ne 0 ]; then
  echo "package-test.sh needs root (debootstrap, chroot, apt-get)" >&2
  exit 1
fi
command -v debootstrap >/dev/null || apt-get install -y -qq --no-install-recommends debootstrap

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVARA_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2
rm -f "$build"/solvara_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/solvara_*.deb)
echo "package: $deb"

# A pristine base system is kept for the next run; every run installs into a copy.
if [ ! -x "$base/usr/bin/apt-get" ]; then
  rm -rf "$base"
  debootstrap --variant=minbase bookworm "$base" "$mirror"
fi
rm -rf "$root"
cp -a "$base" "$root"
mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT
cp "$deb" "$root/tmp/"
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")"

for path in /usr/lib/solvara/solvara /usr/lib/solvara/help.htm /usr/bin/solvara-report \
  /usr/share/applications/example.solvara.Solvara.desktop \
  /usr/share/metainfo/example.solvara.Solvara.metainfo.xml \
  /usr/share/icons/hicolor/48x48/apps/example.solvara.Solvara.png; do
  [ -e "$root$path" ] || {
    echo "FAIL: $path is not installed" >&2
    exit 1
  }
done
[ "$(chroot "$root" readlink -f /usr/bin/solvara)" = /usr/lib/solvara/solvara ] || {
  echo "FAIL: /usr/bin/solvara does not lead to the program" >&2
  exit 1
}

xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-display "$root"
echo "The package installs on a fresh Debian 12 and the program starts from its menu entry."

#!/usr/bin/env bash
# Runs the test command on fresh Debian 12 systems (debootstrap minbase chroots), from
# a clean clone of the committed tree, in two settings:
#   with     dbus-x11, at-spi2-core and qt6-gtk-platformtheme installed (with what
#            they recommend) before anything else, and the test command started from
#            inside a desktop-like session: an X display, a session bus and a runtime
#            folder of its own;
#   without  none of the three installed before the test command's own dependencies
#            (scripts/deps.sh) come in, which bring at-spi2-core for the real-window
#            test and must bring neither of the other two; and the test command
#            started as from a console: no display, no bus.
# The tests themselves run without a network (a namespace of their own with only a
# loopback), so the real-window test's port collides with nothing on this machine.
#
# Needs root and the Debian mirror; the first run downloads about 400 MB. It is run by
# hand, not by scripts/test.sh.
#   scripts/desktop-matrix.sh [--quick] [with] [without]     (default: both)
#     --quick   the normal build and its ctest only (the real-window test included),
#               without the sanitizer build and the fuzzers
# Logs: /var/tmp/solvara-matrix-<setting>.log
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
settings=()
for arg; do
  case $arg in
    --quick) quick=1 ;;
    with | without) settings+=("$arg") ;;
    *)
      echo "usage: $0 [--quick] [with] [without]" >&2
      exit 2
      ;;
  esac
done
[ ${#settings[@]} -gt 0 ] || settings=(with without)

if [ "$(id -u)" -ne 0 ]; then
  echo "desktop-matrix.sh needs root (debootstrap, chroot, unshare)" >&2
  exit 1
fi
command -v debootstrap >/dev/null || apt-get install -y -qq --no-install-recommends debootstrap
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "NOTE: uncommitted changes are not tested; the clone holds $(git rev-parse --short HEAD)"

base=${SOLVARA_MATRIX_BASE:-/var/tmp/solvara-matrix-base}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
desktop_packages=(dbus-x11 at-spi2-core qt6-gtk-platformtheme)

if [ ! -x "$base/usr/bin/apt-get" ]; then
  rm -rf "$base"
  debootstrap --variant=minbase bookworm "$base" "$mirror"
  # Packages install without starting services, and the system has an identity, as
  # an installed one does (dbus-x11's autolaunch keys its notes in HOME by it).
  printf '#!/bin/sh\nexit 101\n' >"$base/usr/sbin/policy-rc.d"
  chmod 755 "$base/usr/sbin/policy-rc.d"
  [ -s "$base/etc/machine-id" ] || tr -d - </proc/sys/kernel/random/uuid >"$base/etc/machine-id"
fi

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  DEBIAN_FRONTEND=noninteractive "$@"; }

# Which of the desktop packages are installed in the root, one a line.
installed() {
  in_root dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${desktop_packages[@]}" 2>/dev/null |
    awk '$1 == "ii" { print $2 }'
}

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  mounted=()
}
trap unmount_all EXIT
mount_in() { # type, target inside the root
  mount -t "$1" "$1" "$root$2"
  mounted+=("$root$2")
}

# Called where errexit does not hold: every step returns on failure by itself.
run_setting() {
  local setting=$1
  root=/var/tmp/solvara-matrix-$setting
  # An interrupted run may have left its mounts; rm must not reach into them.
  awk -v r="$root/" 'index($2, r) == 1 { print $2 }' /proc/self/mounts | sort -r |
    while read -r target; do umount -l "$target"; done
  rm -rf --one-file-system "$root"
  cp -a "$base" "$root"
  mount_in proc /proc
  mount_in sysfs /sys
  mount_in tmpfs /dev/shm
  mkdir -p "$root/dev/pts"
  mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
  mounted+=("$root/dev/pts")
  git clone --quiet --no-hardlinks "$PWD" "$root/src" || return

  in_root apt-get update -qq || return
  if [ "$setting" = with ]; then
    in_root apt-get install -y -q "${desktop_packages[@]}" || return
  fi
  local p before
  before=$(installed)
  for p in "${desktop_packages[@]}"; do
    if [ "$setting" = with ] && ! grep -qx "$p" <<<"$before"; then
      echo "FAIL: $p is not installed in the 'with' system" >&2
      return 1
    fi
    if [ "$setting" = without ] && grep -qx "$p" <<<"$before"; then
      echo "FAIL: $p is installed in the fresh system" >&2
      return 1
    fi
  done
  echo "installed before the test command: $(tr '\n' ' ' <<<"$before")"
  # The tests run without a network: their dependencies come in first.
  in_root bash -c 'cd /src && scripts/deps.sh' || return
  if [ "$setting" = without ]; then
    for p in dbus-x11 qt6-gtk-platformtheme; do
      if installed | grep -qx "$p"; then
        echo "FAIL: $p came in with the test dependencies" >&2
        return 1
      fi
    done
  fi
  echo "installed for the tests: $(installed | tr '\n' ' ')"

  local command='scripts/test.sh'
  if [ "$quick" = 1 ]; then
    command='rm -rf build-test && cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVARA_HOME_PAGE=http://127.0.0.1:38917 >/dev/null && cmake --build build-test -j2 && ctest --test-dir build-test --output-on-failure -j2'
  fi
  if [ "$setting" = with ]; then
    # As from a terminal on a desktop: a display, a session bus, a runtime folder.
    command="mkdir -m 700 -p /run/user/0 && export XDG_RUNTIME_DIR=/run/user/0 && \
xvfb-run -a -s '-screen 0 1280x1024x24' dbus-run-session -- bash -c '$command'"
  fi
  echo "running: $command"
  unshare --net bash -c 'ip link set lo up && exec "$@"' _ \
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM=dumb \
    bash -c "cd /src && $command"
  local status=$?

  # What the real-program test saw of its session: the accessibility bus up (its
  # folder in the runtime folder) in both settings, and the program under Qt's GTK
  # theme, still one application on the bus, only where the theme was installed.
  local seen
  seen=$(grep -a '^e2e: \(HOME holds\|runtime folder holds\|PASS\|one application\|NOTE\)' \
    "$root/src/build-test/Testing/Temporary/LastTest.log" || true)
  echo "$seen"
  [ "$status" -eq 0 ] || return "$status"
  if ! grep -q 'runtime folder holds:.*\./at-spi' <<<"$seen"; then
    echo "FAIL: the real-program test ran without an accessibility bus" >&2
    return 1
  fi
  if [ "$setting" = with ] && ! grep -q 'e2e: one application .*GTK loaded' <<<"$seen"; then
    echo "FAIL: the real-program test did not run the program under the GTK theme" >&2
    return 1
  fi
  if [ "$setting" = without ] && grep -q 'GTK loaded' <<<"$seen"; then
    echo "FAIL: the program ran under the GTK theme without qt6-gtk-platformtheme" >&2
    return 1
  fi
}

results=()
for setting in "${settings[@]}"; do
  log=/var/tmp/solvara-matrix-$setting.log
  echo "== $setting: ${desktop_packages[*]} (log: $log) =="
  status=0
  run_setting "$setting" >"$log" 2>&1 || status=$?
  unmount_all
  grep -a '^e2e: \|^installed\|tests passed\|All tests passed\|^FAIL' "$log" || true
  results+=("$setting: $([ "$status" -eq 0 ] && echo passed || echo "FAILED (status $status)")")
done
printf '%s\n' "${results[@]}"
! printf '%s\n' "${results[@]}" | grep -q FAILED

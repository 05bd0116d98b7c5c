#!/usr/bin/env bash
# The real program on a private X server, in a session of its own, driven through the
# desktop's accessibility bus and by X input (real_window.py says what is tried); where
# Qt's GTK platform theme is installed, started once more under it. Then the checks that
# it kept and sent nothing: HOME and every XDG folder are one empty folder, the home page
# is a local server that records every request, and a unique telephone marker and a
# distinctive salary are searched for on disk while the program runs and after it ends.
#
# Usage: run.sh SOLVARA SOLVARA_REPORT SERVER ARTIFACTS_DIR HOME_PAGE
#        run.sh leaks   (lists the leaks below; reads marker, salary, env_dir, run_dir)
#
# The session: a session bus of its own (dbus-run-session); without one, libdbus would
# start one behind the program's back (dbus-x11's autolaunch) and note its address in
# HOME. On it the accessibility bus, turned on as a screen reader turns it on, with its
# settings kept in memory, so that what the program writes stands out.
set -euo pipefail

# Files that hold the marker or the salary, as UTF-8 or UTF-16, in the places a
# program writes to.
leaks() {
  local utf16_marker="" utf16_salary="" c
  for ((c = 0; c < ${#marker}; c++)); do utf16_marker+="${marker:c:1}\\x00"; done
  for ((c = 0; c < ${#salary}; c++)); do utf16_salary+="${salary:c:1}\\x00"; done
  utf16_salary=${utf16_salary//./\\.}
  local places=("$env_dir" "$run_dir" /tmp /var/tmp /dev/shm)
  [ -n "${TMPDIR:-}" ] && places+=("$TMPDIR")
  LC_ALL=C timeout 120 grep -rlaP --devices=skip \
    -e "$marker" -e "${salary//./\\.}" -e "$utf16_marker" -e "$utf16_salary" \
    "${places[@]}" 2>/dev/null || true
}

[ "${1:-}" = leaks ] && { leaks; exit; }
solvara=$1 report_cli=$2 server=$3 artifacts=$4 home_page=$5
here=$(dirname "$0")

fail() {
  echo "e2e: FAIL: $*" >&2
  import -window root "$artifacts/failure.png" 2>/dev/null || true
  exit 1
}
note() { echo "e2e: $*"; }
# Waits up to 10 s for the command to succeed.
await() {
  for _ in $(seq 100); do
    "$@" 2>/dev/null && return
    sleep 0.1
  done
  return 1
}

for tool in Xvfb xdotool xwininfo import dbus-run-session dbus-send; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done
# The accessibility bus and the bindings that read it are Debian's, for Debian's Python.
[ -x /usr/libexec/at-spi-bus-launcher ] || fail "at-spi2-core is missing (scripts/deps.sh installs it)"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
  fail "python3-pyatspi is missing (scripts/deps.sh installs it)"
export PYTHONDONTWRITEBYTECODE=1 # nothing left in the source tree

rm -rf "$artifacts"
mkdir -p "$artifacts"
work=$(mktemp -d /tmp/solvara-e2e.XXXXXX)
env_dir=$work/home         # HOME and every XDG folder but the runtime one
runtime_dir=$work/runtime # XDG_RUNTIME_DIR: the session's sockets
run_dir=$work/run         # the program's working folder
mkdir -p "$env_dir" "$runtime_dir" "$run_dir"
chmod 700 "$env_dir" "$runtime_dir"

started=()
cleanup() {
  local pid
  # A session is a process group of its own: what its bus started goes with it.
  for pid in "${started[@]}"; do
    kill -- "-$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The marker and the salary are unique to this run, so that finding them anywhere
# means a leak.
marker="H7TEL$(date +%s%N)Q${RANDOM}X"
salary="58213947.61"
export marker salary env_dir run_dir

# ---- the private X server ----------------------------------------------------
exec {display_fd}>"$work/display"
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
started+=($!)
exec {display_fd}>&-
await test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
note "X display $DISPLAY"

# ---- the recording server at the home page -----------------------------------
recording=0
if [[ $home_page =~ ^http://127\.0\.0\.1:([0-9]+)$ ]]; then
  port=${BASH_REMATCH[1]}
  : >"$work/requests.log"
  python3 "$server" "$port" "$work/requests.log" </dev/null >"$work/server.out" 2>&1 &
  started+=($!)
  await grep -qx "$port" "$work/server.out" || fail "the recording server: $(cat "$work/server.out")"
  recording=1
  note "recording every request to the home page $home_page"
else
  note "NOTE: the home page $home_page is not http://127.0.0.1:<port>;" \
    "the check of what is sent is left out (scripts/test.sh configures a local one)"
fi

# ---- the program in its session ----------------------------------------------
# Starts the program in a session of its own (extra NAME=VALUE settings for it come as
# arguments) and sets app to its process; the tests' own tools read the session bus's
# address from $work/bus. dbus-run-session ends the bus and what it started with the
# program, and hands on the program's exit status.
start_program() {
  local session='
    echo "$DBUS_SESSION_BUS_ADDRESS" >"$1"
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
      org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
      variant:boolean:true >/dev/null 2>&1 || echo "no accessibility bus in this session"
    exec "$0"'
  rm -f "$work/bus"
  (
    cd "$run_dir"
    exec setsid env -i PATH="${program_path:-/usr/bin:/bin}" DISPLAY="$DISPLAY" LANG=C.UTF-8 \
      QT_QPA_PLATFORM=xcb GSETTINGS_BACKEND=memory \
      HOME="$env_dir" XDG_CONFIG_HOME="$env_dir" XDG_CACHE_HOME="$env_dir" \
      XDG_DATA_HOME="$env_dir" XDG_STATE_HOME="$env_dir" XDG_RUNTIME_DIR="$runtime_dir" "$@" \
      dbus-run-session -- bash -c "$session" "$solvara" "$work/bus"
  ) >>"$work/solvara.log" 2>&1 &
  app=$!
  started+=("$app")
  await test -s "$work/bus" || fail "the program's session did not start: $(cat "$work/solvara.log")"
  DBUS_SESSION_BUS_ADDRESS=$(cat "$work/bus")
  export DBUS_SESSION_BUS_ADDRESS
}

# Waits for the program to end by itself and checks that it ended well.
program_ended() { # what ended it
  await bash -c "! kill -0 $app" || fail "$1 did not end the program"
  local status=0
  wait "$app" || status=$?
  [ "$status" -eq 0 ] || fail "the program ended with status $status: $(cat "$work/solvara.log")"
  note "the program ended by $1"
}

# ---- the run ----------------------------------------------------------------------
# A stand-in for the desktop's opener, first on the program's PATH: it notes what it
# was asked to open, and whether the program's own accessibility setting came along.
mkdir "$work/bin"
printf '#!/bin/sh\necho "$1 NO_AT_BRIDGE=${NO_AT_BRIDGE-unset}" >>%q\n' "$work/opened.log" \
  >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
program_path=$work/bin:/usr/bin:/bin

drive() { # mode
  SOLVARA_REPORT=$report_cli RUN_SH=$0 OPENED_LOG=$work/opened.log HOME_PAGE=$home_page \
    /usr/bin/python3 "$here/real_window.py" "$1" || {
    echo "--- the program's output:" >&2
    cat "$work/solvara.log" >&2
    kill -0 "$app" 2>/dev/null || { wait "$app" || fail "the program ended with status $?"; }
    fail "driving the program failed"
  }
}

start_program
drive full
program_ended "File, Exit"

if compgen -G '/usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so' >/dev/null; then
  start_program QT_QPA_PLATFORMTHEME=gtk3
  drive one-app
  program_ended "File, Exit"
else
  note "NOTE: Qt's GTK platform theme is not installed; the program ran under Qt's own only"
fi

# ---- after the run: nothing kept, nothing sent ------------------------------------
found=$(leaks)
[ -z "$found" ] || fail "the telephone or salary is on disk after the program ended: $found"

# Only the font cache of the system's font library may be there.
others=$(cd "$env_dir" && find . -mindepth 1 ! -path './fontconfig' ! -path './fontconfig/*' | sort)
[ -z "$others" ] || fail "the program left files behind in HOME: $others"
note "HOME holds: $(cd "$env_dir" && find . -mindepth 1 -maxdepth 1 | sort | tr '\n' ' ')"
[ -z "$(ls -A "$run_dir")" ] || fail "the program left files in its working folder: $(ls -A "$run_dir")"
# The runtime folder: the bus's folder for services, the accessibility bus's socket
# and dconf's change counter, which the session's services keep; nothing else.
others=$(cd "$runtime_dir" && find . -mindepth 1 ! -path ./dbus-1 ! -path ./dbus-1/services \
  ! -path ./at-spi ! -path './at-spi/bus_*' ! -path ./dconf ! -path ./dconf/user | sort)
[ -z "$others" ] || fail "the program left files in the runtime folder: $others"
note "runtime folder holds: $(cd "$runtime_dir" && find . -mindepth 1 | sort | tr '\n' ' ')"

if [ "$recording" -eq 1 ]; then
  cp "$work/requests.log" "$artifacts/requests.log"
  lines=$(grep -a -E '^(GET|POST|PUT|HEAD|DELETE|OPTIONS|PATCH|CONNECT) ' "$work/requests.log" || true)
  [ -n "$lines" ] || fail "the news file was never asked for"
  bad=$(echo "$lines" | grep -v -E '^GET /news100/news([0-9a-f]{4}|opt)\.htm HTTP/1\.[01]'$'\r''?$' || true)
  [ -z "$bad" ] || fail "requests other than the news file's: $bad"
  ! grep -a -q -F -e "$marker" -e "$salary" "$work/requests.log" ||
    fail "a request carried an answer"
  note "requests to the home page: $(echo "$lines" | wc -l), all for the news file"
fi
echo "e2e: PASS"

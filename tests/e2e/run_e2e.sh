#!/usr/bin/env bash
# The whole program as a user meets it, in a real X window on a private Xvfb, driven
# by X input (xdotool): news page, Start Check, every page answered from the
# keyboard, Finish, the report, Save as HTML through the save dialog, Help, About,
# File, Exit. Along the way it proves that
#   - the saved file holds exactly what solvara-report writes for the same answers;
#   - a right click and the menu key over the news page and the report open no menu;
#   - nothing is stored: HOME and every XDG folder point at one empty folder, and
#     afterwards it holds the saved report and nothing else of the program's making;
#     the runtime folder, outside HOME as on a desktop, holds only what the session's
#     own services put there;
#   - nothing is sent: the home page is a local server that records every request,
#     and the only requests are for the news file, carrying no answer;
#   - no answer reaches the disk: a unique telephone marker and a distinctive salary
#     are searched for in HOME, the temporary folders and the working folder, while
#     the program runs and after it has ended.
# It runs as on a desktop: the program has a session bus of its own (dbus-run-session),
# whose services see the same HOME, and where at-spi2-core is installed the session's
# accessibility bus is up before the program starts, as a desktop's autostart has it,
# so that the program's accessibility bridge is at work too. Without a bus of its own,
# libdbus would start one behind the program's back (dbus-x11's autolaunch) and note
# its address in HOME.
# Screenshots of every step are kept in the artifacts folder.
#
# Usage: run_e2e.sh SOLVARA SOLVARA_REPORT RECORDER ARTIFACTS_DIR HOME_PAGE
set -euo pipefail

solvara=$1
report_cli=$2
recorder=$3
artifacts=$4
home_page=$5

fail() {
  echo "e2e: FAIL: $*" >&2
  shot "zz-failure" || true
  exit 1
}
note() { echo "e2e: $*"; }

for tool in Xvfb xdotool xwininfo import python3 dbus-run-session dbus-send; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done

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
  for pid in "${started[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The answers, once for the keyboard and once for solvara-report. The marker and the
# salary are unique to this run, so that finding them anywhere means a leak.
marker="H7TEL$(date +%s%N)Q${RANDOM}X"
salary="58213947.61"
cli_answers=(age=40 marital=married "salary=$salary" residential=owner address-years=7
  "telephone=$marker" occupation=15 job-years=9 visa=yes mastercard=no cheque-card=yes
  charge-cards=2 live-accounts=3 missed-payments=no defaults=no ccj=no settled=1
  electoral=yes)

# ---- the private X server ----------------------------------------------------
exec {display_fd}>"$work/display"
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
started+=($!)
exec {display_fd}>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
note "X display $DISPLAY"

shot_count=0
shot() {
  shot_count=$((shot_count + 1))
  import -window root "$artifacts/$(printf '%02d' "$shot_count")-$1.png" 2>/dev/null
}

# ---- the recording server at the home page -----------------------------------
recording=0
if [[ $home_page =~ ^http://127\.0\.0\.1:([0-9]+)$ ]]; then
  port=${BASH_REMATCH[1]}
  : >"$work/requests.log"
  "$recorder" "$port" "$work/requests.log" >"$work/recorder.out" 2>&1 &
  started+=($!)
  for _ in $(seq 50); do
    grep -q listening "$work/recorder.out" 2>/dev/null && break
    kill -0 "${started[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  grep -q listening "$work/recorder.out" ||
    fail "the recording server cannot listen on port $port: $(cat "$work/recorder.out")"
  recording=1
  note "recording every request to the home page $home_page"
else
  note "NOTE: the home page $home_page is not http://127.0.0.1:<port>;" \
    "the check of what is sent is left out (scripts/test.sh configures a local one)"
fi

# ---- helpers for windows and input -------------------------------------------
visible_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }

wait_for_window() { # name regex, seconds
  local i
  for i in $(seq $(($2 * 10))); do
    [ -n "$(visible_named "$1")" ] && return 0
    sleep 0.1
  done
  fail "no window named $1 appeared"
}

wait_count() { # name regex, count, seconds
  local i
  for i in $(seq $(($3 * 10))); do
    [ "$(visible_named "$1" | wc -l)" -eq "$2" ] && return 0
    sleep 0.1
  done
  fail "expected $2 windows named $1, found $(visible_named "$1" | wc -l)"
}

# Top-level windows that are mapped: a context menu is one more of them.
viewable_windows() {
  local id
  for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
    if xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'; then
      echo "$id"
    fi
  done | sort
}

key() {
  xdotool key --delay 30 "$@"
  sleep 0.1
}
repeat_key() { # key, count
  local i
  for i in $(seq "$2"); do xdotool key "$1"; done
  sleep 0.1
}
type_text() {
  xdotool type --delay 20 "$1"
  sleep 0.1
}

win_x=0
win_y=0
main_window() { visible_named '^Solvara$' | head -n1; }
locate_main() {
  local wid
  wid=$(main_window)
  [ -n "$wid" ] || fail "the main window is gone"
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  win_x=$X
  win_y=$Y
}
click() { # x y within the window, button (1 left, 3 right)
  xdotool mousemove --sync $((win_x + $1)) $((win_y + $2)) click "${3:-1}"
  sleep 0.3
}

# A right click and the menu key at x,y must open nothing; with "expect", they must
# (the check that the window count sees menus at all).
menu_check() { # what, x, y, [expect]
  local before after
  before=$(viewable_windows)
  click "$2" "$3" 3
  sleep 0.5
  after=$(viewable_windows)
  shot "right-click-$1"
  if [ "${4:-}" = expect ]; then
    [ "$before" != "$after" ] || fail "a right click on $1 opened no menu; the menu check sees nothing"
    key Escape
    return
  fi
  [ "$before" = "$after" ] || fail "a right click over $1 opened a window: $(comm -13 <(echo "$before") <(echo "$after"))"
  click "$2" "$3" 1
  key Menu
  sleep 0.5
  after=$(viewable_windows)
  [ "$before" = "$after" ] || fail "the menu key over $1 opened a window"
}

# Files that hold the marker or the salary, as UTF-8 or UTF-16, in the places a
# program writes to; the saved report (the user's own choice) excepted.
leaks() {
  local utf16_marker="" utf16_salary="" c
  for ((c = 0; c < ${#marker}; c++)); do utf16_marker+="${marker:c:1}\\x00"; done
  for ((c = 0; c < ${#salary}; c++)); do utf16_salary+="${salary:c:1}\\x00"; done
  utf16_salary=${utf16_salary//./\\.}
  local places=("$env_dir" "$run_dir" /tmp /var/tmp /dev/shm)
  [ -n "${TMPDIR:-}" ] && places+=("$TMPDIR")
  LC_ALL=C timeout 120 grep -rlaP --devices=skip \
    -e "$marker" -e "${salary//./\\.}" -e "$utf16_marker" -e "$utf16_salary" \
    "${places[@]}" 2>/dev/null | grep -vxF "$env_dir/Results.htm" || true
}

# ---- the run --------------------------------------------------------------------
# The session: its bus, its accessibility bus when there is a launcher for one (a
# failure to start it is the launcher's affair, not the program's), then the program.
# dbus-run-session ends the bus, and with it whatever the bus started, when the
# program ends, and hands on the program's exit status.
session='
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 || echo "no accessibility bus in this session"
  exec "$0"'
(
  cd "$run_dir"
  exec env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb \
    HOME="$env_dir" XDG_CONFIG_HOME="$env_dir" XDG_CACHE_HOME="$env_dir" \
    XDG_DATA_HOME="$env_dir" XDG_STATE_HOME="$env_dir" XDG_RUNTIME_DIR="$runtime_dir" \
    dbus-run-session -- bash -c "$session" "$solvara"
) >"$work/solvara.log" 2>&1 &
app=$!
started+=("$app")

# The news file cannot be had (the server answers 404, or there is no network): a
# plain box with the program's title says so, over the main window.
wait_count '^Solvara$' 2 20
sleep 0.5
shot "news-failed-box"
key Return
wait_count '^Solvara$' 1 10
sleep 0.5
locate_main
note "main window at $win_x,$win_y"
shot "news-page"
menu_check "the news page" 320 300

# Start Check, then every page by keyboard; focus follows onto each new page.
click 50 92
sleep 0.5
shot "introduction"
click 577 353 # Next
repeat_key Right 22 # age 40
key Tab Right # married
key Tab
type_text "$salary"
shot "about-you"
menu_check "the salary box" 372 195 expect
key Tab Tab space

key space Right Right # owner
key Tab
repeat_key Right 7 # seven years at the address
key Tab
type_text "$marker"
shot "address"
found=$(leaks)
[ -z "$found" ] || fail "the telephone or salary is on disk while the questionnaire is open: $found"
key Tab Tab space

repeat_key Down 16 # Lower Prof
key Tab
repeat_key Right 9 # nine years in the job
shot "occupation"
key Tab Tab space

key space # Visa: yes
key Tab Right space # Access / Mastercard: no
key Tab space # Chequecard: yes
key Tab Right Right # two charge cards
shot "cards-held"
key Tab Tab space

repeat_key Right 3 # three live accounts
key Tab Right space # missed payments: no
key Tab space # defaulted: no
key Tab space # county court judgements: no
key Tab Right space # settled: 1
key Tab Right space # electoral register: yes
shot "miscellaneous"
key Tab Tab space # Finish
sleep 1
shot "result"
menu_check "the report" 368 215

# Save as HTML: type the file name into the dialog and press Enter.
click 243 40
wait_for_window '^Save Results$' 10
sleep 0.5
key ctrl+a
type_text "$env_dir/Results.htm"
shot "save-dialog"
key Return
wait_for_window '^Information$' 10
sleep 0.3
shot "report-saved-box"
key Return
sleep 0.5
[ -f "$env_dir/Results.htm" ] || fail "no report was saved"
"$report_cli" "${cli_answers[@]}" >"$work/expected.htm" || fail "solvara-report failed"
cmp "$env_dir/Results.htm" "$work/expected.htm" ||
  fail "the saved report differs from solvara-report's for the same answers"
cp "$env_dir/Results.htm" "$artifacts/Results.htm"
note "saved report matches solvara-report ($(stat -c %s "$env_dir/Results.htm") bytes)"

found=$(leaks)
[ -z "$found" ] || fail "the telephone or salary is on disk while the program runs: $found"

# Help, then About (closed with its default button), then File, Exit.
click 50 126
sleep 1
shot "help"
key alt+h
sleep 0.3
key a
wait_for_window '^About Solvara$' 10
sleep 0.3
shot "about"
key Return
for _ in $(seq 50); do
  [ -z "$(visible_named '^About Solvara$')" ] && break
  sleep 0.1
done
[ -z "$(visible_named '^About Solvara$')" ] || fail "the About box did not close"
# With no window manager nobody hands the focus back after a box closes, so the
# menu is opened with the mouse; its item is then chosen by its access key.
click 23 10
sleep 0.3
shot "file-menu"
key e
for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "File, Exit did not end the program"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(cat "$work/solvara.log")"
note "the program ended by File, Exit"

# ---- after the run --------------------------------------------------------------
found=$(leaks)
[ -z "$found" ] || fail "the telephone or salary is on disk after the program ended: $found"

# Only the saved report and the font cache of the system's font library may be there.
others=$(cd "$env_dir" && find . -mindepth 1 ! -path './fontconfig' ! -path './fontconfig/*' \
  ! -path './Results.htm' | sort)
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
note "screenshots in $artifacts"
echo "e2e: PASS"

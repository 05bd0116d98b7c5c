#!/usr/bin/env bash
# The whole program as a user meets it, in a real X window on a private Xvfb, driven
# by X input (xdotool): news page, Start Check, every page answered from the
# keyboard, Finish, the report, Save as HTML through the save dialog, Help, About,
# File, Exit. Controls are found where the desktop's accessibility bus says they are,
# by role and accessible name, and reached with the Tab key. Along the way it proves
# that
#   - the saved file holds exactly what solvara-report writes for the same answers;
#   - a right click and the menu key over the news page and the report open no menu;
#   - nothing is stored, nothing is sent and no answer reaches the disk (session.sh).
# Screenshots of every step are kept in the artifacts folder.
#
# Usage: run_e2e.sh SOLVARA SOLVARA_REPORT RECORDER ARTIFACTS_DIR HOME_PAGE
set -euo pipefail

name=e2e
solvara=$1
report_cli=$2
recorder=$3
artifacts=$4
home_page=$5
source "$(dirname "$0")/session.sh"

# The answers, once for the keyboard and once for solvara-report.
cli_answers=(age=40 marital=married "salary=$salary" residential=owner address-years=7
  "telephone=$marker" occupation=15 job-years=9 visa=yes mastercard=no cheque-card=yes
  charge-cards=2 live-accounts=3 missed-payments=no defaults=no ccj=no settled=1
  electoral=yes)

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

# A control by role, accessible name and, where the name is not enough, description.
centre_of() { a11y centre "$@" || fail "no showing $1 named $2"; }
click_on() { # role, name, [description], [button]
  local x y
  read -r x y < <(centre_of "$1" "$2" ${3:+"$3"})
  xdotool mousemove --sync "$x" "$y" click "${4:-1}"
  sleep 0.3
}
tab_to() { a11y tab-to "$@" || fail "Tab does not reach the $1 named $2"; }

# A right click and the menu key over the control must open nothing; with "expect",
# they must (the check that the window count sees menus at all).
menu_check() { # what, role, name, [expect]
  local before after x y
  read -r x y < <(centre_of "$2" "$3")
  before=$(viewable_windows)
  xdotool mousemove --sync "$x" "$y" click 3
  sleep 0.8
  after=$(viewable_windows)
  shot "right-click-$1"
  if [ "${4:-}" = expect ]; then
    [ "$before" != "$after" ] || fail "a right click on $1 opened no menu; the menu check sees nothing"
    key Escape
    return
  fi
  [ "$before" = "$after" ] || fail "a right click over $1 opened a window: $(comm -13 <(echo "$before") <(echo "$after"))"
  xdotool click 1
  sleep 0.3
  key Menu
  sleep 0.5
  after=$(viewable_windows)
  [ "$before" = "$after" ] || fail "the menu key over $1 opened a window"
}

# ---- the run --------------------------------------------------------------------
start_program

# The news file cannot be had (the server answers 404, or there is no network): a
# plain box with the program's title says so, over the main window.
wait_count '^Solvara$' 2 20
sleep 0.5
shot "news-failed-box"
key Return
wait_count '^Solvara$' 1 10
sleep 0.5
shot "news-page"
menu_check "the news page" "document frame" News

# Start Check, then every page by keyboard: each control reached with Tab, answered
# with the arrows, Space and typing; focus follows onto each new page.
click_on "radio button" "Start Check"
shot "introduction"
click_on "push button" Next
tab_to slider "What age are you ?"
repeat_key Right 22 # age 40
tab_to "radio button" Single
key Right # married
tab_to text "What is your annual salary ?"
type_text "$salary"
shot "about-you"
menu_check "the salary box" text "What is your annual salary ?" expect
tab_to "push button" Next
key space

tab_to "radio button" Tenant
key space Right Right # owner
tab_to slider "How many years have you been at your current address ?"
repeat_key Right 7 # seven years at the address
tab_to text "Enter your telephone number:"
type_text "$marker"
shot "address"
found=$(leaks)
[ -z "$found" ] || fail "the telephone or salary is on disk while the questionnaire is open: $found"
tab_to "push button" Next
key space

tab_to list "What would best describe your occupation ?"
repeat_key Down 16 # Lower Prof
tab_to slider "Where applicable, how long have you been doing that job ?"
repeat_key Right 9 # nine years in the job
shot "occupation"
tab_to "push button" Next
key space

tab_to "radio button" Yes "Visa"
key space # Visa: yes
tab_to "radio button" Yes "Access / Mastercard"
key Right space # Access / Mastercard: no
tab_to "radio button" Yes "Chequecard"
key space # Chequecard: yes
tab_to slider "How many charge card accounts do you have ?"
key Right Right # two charge cards
shot "cards-held"
tab_to "push button" Next
key space

tab_to slider "How many live credit accounts do you have ?"
repeat_key Right 3 # three live accounts
tab_to "radio button" Yes "Have you missed more than one payment recently ?"
key Right space # missed payments: no
tab_to "radio button" No "Have you defaulted on any accounts ?"
key space # defaulted: no
tab_to "radio button" No "Have you any County Court Judgements against you (CCJ's) ?"
key space # county court judgements: no
tab_to "radio button" No "Have you settled any accounts ?"
key Right space # settled: 1
tab_to "radio button" No "Are you on the electoral register ?"
key Right space # electoral register: yes
shot "miscellaneous"
tab_to "push button" Finish
key space
sleep 1
shot "result"
menu_check "the report" "document frame" Results

# Save as HTML: type the file name into the dialog and press Enter.
click_on "push button" "Save as HTML"
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
click_on "radio button" Help
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
click_on "menu item" File
shot "file-menu"
key e
program_ended "File, Exit"

after_the_run
note "screenshots in $artifacts"
echo "e2e: PASS"

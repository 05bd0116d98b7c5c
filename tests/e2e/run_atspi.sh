#!/usr/bin/env bash
# The program driven through the desktop's accessibility bus, as a screen reader
# drives it, and by the keyboard alone (atspi_test.py says what is tried), in the same
# setting and under the same checks of what it stores and sends as the real-window
# test (session.sh). Where Qt's GTK platform theme is installed, the program is then
# started once more under it, to show that it is still one application on the bus.
#
# Usage: run_atspi.sh SOLVARA SOLVARA_REPORT RECORDER ARTIFACTS_DIR HOME_PAGE
set -euo pipefail

name=atspi
solvara=$1
report_cli=$2
recorder=$3
artifacts=$4
home_page=$5
here=$(dirname "$0")
source "$here/session.sh"

# A stand-in for the desktop's opener, first on the program's PATH: it notes what it
# was asked to open, and whether the program's own accessibility setting came along.
mkdir "$work/bin"
printf '#!/bin/sh\necho "$1 NO_AT_BRIDGE=${NO_AT_BRIDGE-unset}" >>%q\n' "$work/opened.log" \
  >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
program_path=$work/bin:/usr/bin:/bin

drive() { # mode
  SOLVARA_REPORT=$report_cli SESSION_SH=$here/session.sh OPENED_LOG=$work/opened.log \
    HOME_PAGE=$home_page ARTIFACTS=$artifacts /usr/bin/python3 "$here/atspi_test.py" "$1" || {
    echo "--- the program's output:" >&2
    cat "$work/solvara.log" >&2
    fail "driving the program through the bus failed"
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

after_the_run
echo "atspi: PASS"

# What both install checks share: sourced by check_install.sh and check_deb.sh.
set -euo pipefail
app_id=example.solvara.Solvara
problems=0
fail() {
  echo "FAIL: $*" >&2
  problems=$((problems + 1))
}
# DESTDIR=$1, prefix /usr: the tree a user's system gets.
stage() {
  rm -rf "$1"
  DESTDIR=$1 cmake --install "$build" --prefix /usr >/dev/null
}
# finish WHERE MESSAGE: the tally of problems in WHERE, else MESSAGE.
finish() {
  if [ "$problems" -gt 0 ]; then
    echo "$problems problem(s) in $1" >&2
    exit 1
  fi
  echo "$2"
}

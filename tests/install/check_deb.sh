#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks it without installing
# it: the runtime dependencies are declared, it holds exactly the installed tree, and
# lintian finds no error and no warning.
#
# usage: check_deb.sh BUILD_DIR OUT_DIR
source "$(dirname "$0")/common.sh"
build=$1
out=$2

rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || {
  cat "$out/cpack.log" >&2
  exit 1
}
debs=("$out"/solvara_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || {
  echo "FAIL: expected one solvara_*.deb in $out" >&2
  exit 1
}
deb=${debs[0]}

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = solvara ] || fail "package name is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
  fail "architecture is '$(field Architecture)'"

# Every library the packaged programs load must come from a declared package, and
# so must what no library link reveals: Qt's platform plugins and a font.
extract=$out/extract
dpkg-deb --extract "$deb" "$extract"
depends=$(field Depends)
declared() { tr ',' '\n' <<<"$depends" | awk '{ print $1 }' | grep -qxF "$1"; }
for pkg in qt6-qpa-plugins fonts-dejavu-core; do
  declared "$pkg" || fail "Depends lacks $pkg"
done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for exe in "$extract"/usr/lib/solvara/solvara "$extract"/usr/bin/solvara-report; do
  [ -f "$exe" ] || continue
  for lib in $(readelf -d "$exe" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    # The library of our own architecture: other copies (lib32, say) may come first.
    owner=$(dpkg-query -S "*/$multiarch/$lib" 2>/dev/null | head -n1 | cut -d: -f1)
    if [ -z "$owner" ]; then
      fail "no installed package provides $lib"
    elif ! declared "$owner"; then
      fail "Depends lacks $owner (for $lib, needed by ${exe#"$extract"})"
    fi
  done
done

# Exactly the files and links that the install puts in place (install_layout checks those).
stage "$out/stage"
files() { (cd "$1" && find . ! -type d | sort); }
diff <(files "$out/stage") <(files "$extract") >&2 || fail "the package differs from the installed tree"

# Debian's own checks: among them the copyright file, the changelog, a manual page
# for every program on the PATH, the form of the description, and programs that are
# stripped and executable.
if command -v lintian >/dev/null; then
  lint_status=0
  lint=$(lintian --fail-on error,warning "$deb" 2>&1) || lint_status=$?
  grep -v 'running with root privileges' <<<"$lint" || true
  [ "$lint_status" -eq 0 ] || fail "lintian reports errors or warnings (status $lint_status)"
else
  fail "lintian is missing (scripts/deps.sh installs it)"
fi

finish "$deb" "package $(basename "$deb") declares its dependencies and holds every file"

#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR, prefix /usr) and checks what a
# user's system would get: the program and help.htm together in a folder of their
# own, a working link on the PATH, a valid desktop entry and AppStream metainfo
# that agree with each other, and the icons in the hicolor theme.
#
# usage: check_install.sh BUILD_DIR STAGE_DIR HOME_PAGE SUPPORT_EMAIL WITH_REPORT(0|1)
source "$(dirname "$0")/common.sh"
build=$1
stage=$2
home_page=$3
support_email=$4
with_report=$5
prefix=/usr
root=$stage$prefix
stage "$stage"

# The program and its help page, in one folder.
program=$root/lib/solvara/solvara
[ -x "$program" ] && [ -f "$program" ] || fail "no program file at ${program#"$stage"}"
help_page=$(dirname "$program")/help.htm
[ -s "$help_page" ] || fail "help.htm is not beside the program (${help_page#"$stage"})"

# The link on the PATH: relative (an absolute one would point out of any DESTDIR or
# package root) and resolving to the program itself.
target=$(readlink "$root/bin/solvara") || fail "bin/solvara is not a link"
[[ $target != /* && $(readlink -f "$root/bin/solvara") = "$(readlink -f "$program")" ]] ||
  fail "bin/solvara -> $target is absolute or does not resolve to the program"

if [ "$with_report" = 1 ]; then
  [ -x "$root/bin/solvara-report" ] && [ ! -L "$root/bin/solvara-report" ] ||
    fail "bin/solvara-report is missing"
fi

# Desktop entry (a missing file fails its validation).
desktop=$root/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" 2>/dev/null || true)
[ -n "$exec_cmd" ] && [ -e "$root/bin/$exec_cmd" ] ||
  fail "the desktop entry starts '$exec_cmd', which is not in bin/"
grep -qx "Icon=$app_id" "$desktop" 2>/dev/null || fail "the desktop entry does not name icon $app_id"

# AppStream metainfo, its placeholders filled with our build's constants.
metainfo=$root/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
for line in "<url type=\"homepage\">$home_page</url>" "<update_contact>$support_email</update_contact>" \
  "<launchable type=\"desktop-id\">$app_id.desktop</launchable>"; do
  grep -qF "$line" "$metainfo" 2>/dev/null || fail "the metainfo lacks $line"
done
grep -q '@[A-Z_]*@' "$metainfo" 2>/dev/null && fail "the metainfo keeps unfilled placeholders"

# Icons: the scalable one and every fixed size, each PNG as large as its folder says.
icons=$root/share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/$app_id.svg" 2>/dev/null || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  png=$icons/${size}x${size}/apps/$app_id.png
  if [ ! -f "$png" ]; then
    fail "no ${size}x${size} icon"
  elif ! file -b "$png" | grep -q "^PNG image data, $size x $size,"; then
    fail "the ${size}x${size} icon is $(file -b "$png")"
  fi
done

# Nothing else may ride along (test programs, static libraries, headers).
unexpected=$(cd "$stage" && find . ! -type d | sed 's|^\.||' | grep -vE \
  "^$prefix/(lib/solvara/(solvara|help\.htm)|bin/solvara(-report)?|share/applications/$app_id\.desktop|share/metainfo/$app_id\.metainfo\.xml|share/icons/hicolor/[^/]+/apps/$app_id\.(svg|png)|share/man/man1/solvara(-report)?\.1\.gz|share/doc/solvara/(copyright|changelog\.gz))$" ||
  true)
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"

finish "the installed tree under $stage" "installed tree under $stage is complete and valid"

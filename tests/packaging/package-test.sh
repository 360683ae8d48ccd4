#!/usr/bin/env bash
# Installs the Debian package DEB into this machine as a user would
# (apt-get install ./tessaline_*.deb), uses the installed commands, finds
# the installed window on a private Xvfb, then removes the package and
# checks that none of its files is left; lintian on DEB must find no error.
# The package is removed at every end, also after a failure or a signal.
# Needs root; refuses to run where tessaline is installed already.
# usage: package-test.sh DEB SAMPLE.sf
set -uo pipefail
deb=$(realpath "$1") sample=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ "$(id -u)" -eq 0 ] || { echo "package-test: needs root (it installs into /usr)"; exit 1; }
if dpkg-query -W -f='${Status}' tessaline 2>/dev/null | grep -q 'ok installed'; then
  echo "package-test: tessaline is installed on this machine already; not touching it"
  exit 1
fi
work=$(mktemp -d)
apt_quiet=(env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=900)
cleanup() {
  if dpkg-query -W -f='${Status}' tessaline 2>/dev/null | grep -qv 'not-installed'; then
    "${apt_quiet[@]}" purge tessaline >/dev/null 2>&1 || dpkg --purge tessaline >/dev/null 2>&1
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

echo "lintian:"
lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges' | sed 's/^/  /'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian found errors in $deb"

# Recommends (qt6-wayland, pipewire) would stay on the machine after the
# removal: left out here.
"${apt_quiet[@]}" --no-install-recommends install "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install $deb"; exit 1; }
dpkg -L tessaline | while read -r path; do [ -f "$path" ] && echo "$path"; done >"$work/files"
version=$(dpkg-query -W -f='${Version}' tessaline)
version=${version%-*}

for program in tessaline tessaline-play tessaline-record; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] || fail "$program is not /usr/bin/$program"
  said=$("$program" --version)
  [ "$said" = "$program (Tessaline 0003) $version" ] || fail "$program --version said '$said'"
  "$program" --help | grep -q "^usage: $program" || fail "$program --help gives no usage line"
  page=$(man -w "$program" 2>/dev/null)
  [ "$page" = "/usr/share/man/man1/$program.1.gz" ] || fail "man -w $program found '$page'"
done
tessaline-play --dry-run --clock 12:00:00.000 "$sample" >"$work/dry-run" 2>&1 || fail "the dry run failed"
grep -q . "$work/dry-run" || fail "the dry run printed nothing"
grep -qx 'Exec=/usr/bin/tessaline' /usr/share/applications/tessaline.desktop || fail "tessaline.desktop Exec="
grep -qx 'Exec=/usr/bin/tessaline-play' /usr/share/applications/tessaline-play.desktop ||
  fail "tessaline-play.desktop Exec="
desktop-file-validate /usr/share/applications/tessaline.desktop /usr/share/applications/tessaline-play.desktop ||
  fail "the installed desktop files do not validate"
appstreamcli validate --no-net /usr/share/metainfo/net.velmora.tessaline.metainfo.xml >/dev/null ||
  fail "the installed metainfo does not validate"
"$here/window-screenshot.sh" /usr/bin/tessaline "$work/window.png" || fail "the installed window"

"${apt_quiet[@]}" remove tessaline >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get remove"; }
status=$(dpkg-query -W -f='${Status}' tessaline 2>/dev/null)
case "$status" in
  ""|*not-installed|*config-files) ;;
  *) fail "after the removal the package is '$status'" ;;
esac
while read -r path; do
  [ -e "$path" ] && fail "$path is left after the removal"
done <"$work/files"

[ "$failures" -eq 0 ] || { echo "package-test: $failures failures"; exit 1; }
echo "package-test: installed, used and removed cleanly ($(wc -l <"$work/files") files)"

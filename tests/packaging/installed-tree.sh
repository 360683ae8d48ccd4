#!/usr/bin/env bash
# Installs the build twice, as users do: with `cmake --install --prefix P`
# (P with a blank in it) and with the configure's prefix under DESTDIR, and
# checks what desktops and software centres read from the installed tree:
# the desktop files' absolute Exec= path (KWin's check), their validity,
# the AppStream entry, the icons and the manual pages.
# usage: installed-tree.sh BUILD_DIR CONFIGURED_PREFIX VERSION
set -uo pipefail
build=$1 configured=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# check_tree ROOT PREFIX: ROOT holds PREFIX's files; the paths inside the
# files name PREFIX.
check_tree() {
  local root=$1 prefix=$2 quoted
  quoted=$prefix
  [[ $prefix == *" "* ]] && quoted="\"$prefix"
  for program in tessaline tessaline-play; do
    local file=$root/share/applications/$program.desktop
    if [ ! -f "$file" ]; then fail "$file not installed"; continue; fi
    local exec
    exec=$(grep '^Exec=' "$file")
    case "$exec" in
      "Exec=$quoted/bin/$program"|"Exec=$quoted/bin/$program\"") ;;
      *) fail "$file: '$exec', not the path under $prefix" ;;
    esac
    desktop-file-validate "$file" || fail "$file does not validate"
    grep -q '^X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input$' "$file" || fail "$file lacks the fake input line"
  done
  for program in tessaline tessaline-play tessaline-record; do
    [ -x "$root/bin/$program" ] || fail "$root/bin/$program not installed"
    [ -f "$root/share/man/man1/$program.1.gz" ] || fail "no manual page for $program"
    local said
    said=$("$root/bin/$program" --version)
    [ "$said" = "$program (Tessaline 0003) $version" ] || fail "$program --version said '$said'"
  done
  local metainfo=$root/share/metainfo/net.velmora.tessaline.metainfo.xml
  appstreamcli validate --no-net "$metainfo" || fail "$metainfo does not validate"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "$metainfo has no release $version"
  grep -q '<launchable type="desktop-id">tessaline.desktop</launchable>' "$metainfo" || fail "no launchable"
  [ -f "$root/share/icons/hicolor/scalable/apps/tessaline.svg" ] || fail "no scalable icon"
  for size in 16 22 24 32 48 64 128 256; do
    local png=$root/share/icons/hicolor/${size}x${size}/apps/tessaline.png
    # The width and height are the PNG header's bytes 16 to 23.
    local dims
    dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | tr -s ' ' | sed 's/^ //')
    [ "$dims" = "0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))" ] ||
      fail "$png is not a ${size}x${size} picture ($dims)"
  done
}

prefix="$work/with blank/usr"
cmake --install "$build" --prefix "$prefix" >"$work/log" 2>&1 || { cat "$work/log"; fail "install --prefix"; }
check_tree "$prefix" "$prefix"

DESTDIR="$work/staged" cmake --install "$build" >"$work/log" 2>&1 || { cat "$work/log"; fail "install to DESTDIR"; }
check_tree "$work/staged$configured" "$configured"

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "both installs complete and valid"

#!/bin/sh
# Installs the build into a fresh prefix and checks the tree: the three programs, the
# desktop entries (valid, when desktop-file-validate is there), the icon and the unit.
# Usage: install_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for program in Varno1 Varno VarnoBot; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program missing"
done
for entry in varno1 varno; do
    desktop="$prefix/share/applications/$entry.desktop"
    [ -f "$desktop" ] || fail "$entry.desktop missing"
    program=$(sed -n 's/^Exec=//p' "$desktop")
    [ -x "$prefix/bin/$program" ] || fail "$entry.desktop starts '$program', not installed"
    grep -qx 'Icon=varno' "$desktop" || fail "$entry.desktop names another icon"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/varno.svg" ] || fail "icon missing"
unit="$prefix/share/doc/varno/varnobot.service"
[ -f "$unit" ] || fail "varnobot.service missing"
grep -qx "ExecStart=$prefix/bin/VarnoBot --folder /var/lib/varnobot" "$unit" ||
    fail "the unit does not start the installed VarnoBot on /var/lib/varnobot"
grep -qx 'DynamicUser=yes' "$unit" || fail "the unit does not run as an unprivileged user"
grep -qx 'StateDirectory=varnobot' "$unit" || fail "the unit has no state folder"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop entries invalid"
else
    echo "install_test: desktop-file-validate not found, entries not validated"
fi

#!/bin/sh
# Installs the build into a fresh prefix and checks the tree: the three programs, the
# desktop entries (valid, when desktop-file-validate is there), the icon, the unit, the
# manual pages and the example scripts.
# Usage: install_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for program in Varno1 Varno VarnoBot varnoctl; do
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
for page in man1/VarnoBot.1 man1/Varno1.1 man1/Varno.1 man5/varno.ini.5 man7/varno-scripts.7 \
    man1/varnoctl.1 man7/varno-control.7; do
    [ -f "$prefix/share/man/$page.gz" ] || fail "manual page $page missing"
done
for script in greet seen lockdown productban; do
    [ -f "$prefix/share/doc/varno/examples/scripts/$script.lua" ] || fail "$script.lua missing"
done
units="$prefix/share/doc/varno"
for unit in varnobot.service varnobot@.service; do
    [ -f "$units/$unit" ] || fail "$unit missing"
    for line in Type=notify DynamicUser=yes RestartPreventExitStatus=78 WatchdogSec=60 \
        ProtectSystem=strict SystemCallFilter=@system-service RuntimeDirectoryMode=0700; do
        grep -qx "$line" "$units/$unit" || fail "$unit lacks $line"
    done
done
grep -qx "ExecStart=$prefix/bin/VarnoBot --folder /var/lib/varnobot --color=never" \
    "$units/varnobot.service" || fail "the unit does not start the installed VarnoBot"
grep -qx 'StateDirectory=varnobot' "$units/varnobot.service" || fail "the unit has no state folder"
grep -qx 'RuntimeDirectory=varnobot' "$units/varnobot.service" || fail "the unit has no socket folder"
grep -qx 'RuntimeDirectory=varnobot/%i' "$units/varnobot@.service" ||
    fail "the template has no socket folder per bot"
grep -qx "ExecStart=$prefix/bin/VarnoBot --folder /var/lib/varnobot/%i --color=never" \
    "$units/varnobot@.service" || fail "the template does not start one bot per folder"
grep -qx 'StateDirectory=varnobot/%i' "$units/varnobot@.service" ||
    fail "the template has no state folder per bot"
if command -v systemd-analyze >/dev/null; then
    cp "$units/varnobot.service" "$prefix/varnobot.service"
    cp "$units/varnobot@.service" "$prefix/varnobot@oproom.service"
    (cd "$prefix" && systemd-analyze verify --man=no ./varnobot.service ./varnobot@oproom.service) ||
        fail "systemd-analyze verify finds fault with the units"
else
    echo "install_test: systemd-analyze not found, units not verified"
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop entries invalid"
else
    echo "install_test: desktop-file-validate not found, entries not validated"
fi

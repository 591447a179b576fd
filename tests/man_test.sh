#!/bin/sh
# Every manual page of the build renders without a warning, and varno.ini(5) describes every
# key that connection/settings.cpp reads.
# Usage: man_test.sh MAN_DIR SOURCE_DIR
set -eu
dir=$1
keys=$(sed -n 's/.*{"\([A-Za-z]*\)", &Settings::.*/\1/p' "$2/connection/settings.cpp")
fail() { echo "man_test: $*" >&2; exit 1; }

for page in VarnoBot.1 Varno1.1 Varno.1 varno.ini.5 varno-scripts.7 varnoctl.1 varno-control.7; do
    [ -s "$dir/$page" ] || fail "$page missing"
    warnings=$(groff -ww -z -man "$dir/$page" 2>&1)
    [ -z "$warnings" ] || fail "$page: $warnings"
done
[ "$(echo "$keys" | wc -w)" -ge 16 ] || fail "the keys of settings.cpp were not found"
for key in $keys; do
    grep -q "^\\\\fB$key\\\\fR (" "$dir/varno.ini.5" || fail "varno.ini(5) does not describe $key"
done

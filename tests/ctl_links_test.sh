#!/bin/sh
# varnoctl links neither Qt nor Lua: a thin program over the socket, with the protocol of the
# core and nothing of the client.
# Usage: ctl_links_test.sh PROGRAM
set -eu
libraries=$(ldd "$1")
if echo "$libraries" | grep -E 'libQt6|liblua'; then
    echo "ctl_links_test: $1 links Qt or Lua" >&2
    exit 1
fi
symbols=$(nm -C "$1")
echo "$symbols" | grep -q 'varno::ParseCtlOptions' || { echo "ctl_links_test: no symbols in $1" >&2; exit 1; }
if echo "$symbols" | grep -E 'varno::(Client|ListPage|TimedBansPage|RulesPage|ScriptHost)::'; then
    echo "ctl_links_test: $1 links the client" >&2
    exit 1
fi

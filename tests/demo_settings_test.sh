#!/bin/sh
# scripts/run starts DemoGateway again while the settings still name the demo's server and
# user: scripts/is-demo-settings tells, for settings files as people leave them.
set -eu
script=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "demo_settings_test: $*" >&2; exit 1; }

check() { # expected (0 demo, 1 not), file text
    printf '%b' "$2" >"$dir/Varno.ini"
    status=0
    "$script" "$dir/Varno.ini" || status=$?
    [ "$status" = "$1" ] || fail "'$2' gives $status, not $1"
}

check 0 '[Varno]\nUsername=operator\nServer=127.0.0.1\n'
check 0 '[Varno]\r\nusername = Operator\r\nSERVER =\t127.0.0.1 \r\n'
check 1 '[Varno]\nUsername=operator\nServer=chat.example.net\n'
check 1 '[Varno]\nUsername=alice\nServer=127.0.0.1\n'
check 1 '[Varno]\nUsername=operator\n'
rm "$dir/Varno.ini"
"$script" "$dir/Varno.ini" && fail "a missing file counts as the demo's"
exit 0

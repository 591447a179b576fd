#!/bin/sh
# varnoctl --stdio carried by a real sshd, as an operator reaches a bot on another machine:
# sshd runs on 127.0.0.1, on a port of its own, with a host key, a configuration and an
# authorized key of this test's own; a VarnoBot runs on a folder of its own; the requests go
# through ssh to varnoctl --stdio and the answers come back. Skipped (77) only when sshd
# cannot be started at all.
# Usage: sshd_test.sh VARNOBOT VARNOCTL
set -eu
bot=$1
ctl=$2
sshd=/usr/sbin/sshd
skip() { echo "sshd_test: SKIPPED: $*"; exit 77; }
fail() { echo "sshd_test: $*" >&2; exit 1; }
[ -x "$sshd" ] || skip "$sshd is not installed (openssh-server; scripts/setup installs it)"
command -v ssh >/dev/null && command -v ssh-keygen >/dev/null || skip "no ssh or ssh-keygen"

work=$(mktemp -d)
sshd_pid=""
bot_pid=""
cleanup() {
    [ -z "$sshd_pid" ] || kill "$sshd_pid" 2>/dev/null || true
    [ -z "$bot_pid" ] || kill "$bot_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/client_key"
cp "$work/client_key.pub" "$work/authorized_keys"
chmod 600 "$work/authorized_keys"
user=$(id -un)
# sshd run by root wants its privilege separation folder.
[ "$(id -u)" -ne 0 ] || [ -d /run/sshd ] || mkdir -p -m 0755 /run/sshd

# A port of its own: tried from one drawn from the process id, until sshd listens on one.
port=""
for try in 0 1 2 3 4 5 6 7; do
    candidate=$((20000 + ($$ * 7 + try * 131) % 40000))
    cat >"$work/sshd_config" <<CONFIG
ListenAddress 127.0.0.1
Port $candidate
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PidFile $work/sshd.pid
StrictModes no
UsePAM no
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
AllowUsers $user
PrintMotd no
CONFIG
    rm -f "$work/sshd.pid"
    "$sshd" -D -e -f "$work/sshd_config" 2>"$work/sshd.log" &
    sshd_pid=$!
    # Ready once it has written its pid file, which it does after it listens.
    for wait in $(seq 100); do
        [ -s "$work/sshd.pid" ] && break
        kill -0 "$sshd_pid" 2>/dev/null || break
        sleep 0.05
    done
    if [ -s "$work/sshd.pid" ]; then
        port=$candidate
        break
    fi
    kill "$sshd_pid" 2>/dev/null || true
    wait "$sshd_pid" 2>/dev/null || true
    sshd_pid=""
    grep -q "Address already in use" "$work/sshd.log" || break
done
[ -n "$port" ] || skip "sshd cannot be started: $(tail -n 3 "$work/sshd.log" | tr '\n' ' ')"

# The bot: a server address where nothing listens, so it stays as it starts.
mkdir -m 0700 "$work/bot"
printf '[Varno]\nUsername=alice\nServer=127.254.0.1\nHome=Lobby\n' >"$work/bot/Varno.ini"
"$bot" --folder "$work/bot" --color=never >"$work/bot.log" 2>&1 &
bot_pid=$!
for wait in $(seq 100); do
    [ -S "$work/bot/control.sock" ] && break
    sleep 0.05
done
[ -S "$work/bot/control.sock" ] || fail "the bot made no control socket: $(cat "$work/bot.log")"

answers=$(printf '%s\n' '{"id":1,"command":"status"}' '{"id":"two","command":"log","n":2}' |
    ssh -F /dev/null -i "$work/client_key" -p "$port" -o BatchMode=yes \
        -o StrictHostKeyChecking=no -o UserKnownHostsFile="$work/known_hosts" \
        -o ConnectTimeout=20 -o LogLevel=ERROR "$user@127.0.0.1" "$ctl --folder $work/bot --stdio") ||
    fail "ssh or varnoctl failed: $(tail -n 5 "$work/sshd.log" | tr '\n' ' ')"
[ "$(printf "%s\n" "$answers" | wc -l)" -eq 3 ] || fail "expected a greeting and two answers: $answers"
printf "%s\n" "$answers" | sed -n 1p | grep -q '^{"event":"hello","protocol":1,"program":"VarnoBot"' ||
    fail "no greeting: $answers"
printf "%s\n" "$answers" | sed -n 2p | grep -q '^{"id":1,"ok":true,"result":{"status":{"status":"' ||
    fail "no status: $answers"
printf "%s\n" "$answers" | sed -n 3p | grep -q '^{"id":"two","ok":true,"result":{"lines":\[{"event":"log"' ||
    fail "no log lines: $answers"
echo "sshd_test: varnoctl --stdio answered through sshd on 127.0.0.1:$port"

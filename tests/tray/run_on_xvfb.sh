#!/usr/bin/env bash
# Runs a test program on a display of its own: Xvfb with the openbox window manager and the
# trayer notification area. Skips (status 77) with the reason only where Xvfb can't start.
set -u
test_program=$1
shift

work=$(mktemp -d)
started=()
# Ends what this script started, by process id, and removes its files.
clean_up() {
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap clean_up EXIT

if ! command -v Xvfb >/dev/null; then
    echo "SKIP: Xvfb is not installed"
    exit 77
fi
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    kill -0 "${started[0]}" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "SKIP: Xvfb cannot start: $(tail -n 3 "$work/xvfb.log" | tr '\n' ' ')"
    exit 77
fi
export DISPLAY=":$(head -n 1 "$work/display")"
export QT_QPA_PLATFORM=xcb
# Leaks inside the X libraries are not this test's concern; the offscreen tests look for ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
started+=($!)
trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --expand true >"$work/trayer.log" 2>&1 &
started+=($!)

timeout --kill-after=5 45 "$test_program" "$@"
status=$?
if [ "$status" -ne 0 ]; then
    echo "-- openbox --"; cat "$work/openbox.log"
    echo "-- trayer --"; cat "$work/trayer.log"
fi
exit "$status"

#!/usr/bin/env bash
# Starts the program under a virtual display, waits, and writes a PNG of the screen.
#   scripts/screenshot.sh <zorvel executable> <out.png> [seconds] [xdotool commands...]
# Extra arguments are run as "xdotool <cmd>" one after the other before the shot
# (for example "mousemove 100 200").
set -euo pipefail
exe=$1 out=$2 wait=${3:-3}
shift 3 || shift $#
export ZORVEL_SHOT_OUT=$(realpath -m "$out")
cmds=("$@")
inner() {
    "$exe" &
    pid=$!
    sleep "$wait"
    for c in "${cmds[@]}"; do
        # shellcheck disable=SC2086
        xdotool $c || true
        sleep 0.5
    done
    import -window root "$ZORVEL_SHOT_OUT"
    kill "$pid" 2>/dev/null || true
}
export -f inner
export exe wait
if [ -n "${DISPLAY:-}" ]; then inner; else
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$(declare -p cmds); $(declare -f inner); inner"
fi
echo "$out"

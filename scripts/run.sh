#!/usr/bin/env bash
# Sets up, builds and starts Zorvel; without a display it runs on a virtual one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$root/build/bin/zorvel"
fi
echo "No display: Zorvel runs under Xvfb (scripts/screenshot.sh takes a picture of it)."
exec xvfb-run -a -s "-screen 0 1024x768x24" "$root/build/bin/zorvel"

#!/usr/bin/env bash
# Runs the Windows build's suites under Wine, headless, in a Wine prefix of the build's own,
# then installs the installer silently there, runs the installed program against a loopback
# bank, compares its figures with the Linux build's, and uninstalls it.
#   bash scripts/wine-test.sh [build-win]
# The LibreOffice export's suite is Linux's alone; every other suite runs, and a test that
# cannot hold on Windows says why it skips.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "${1:-$root/build-win}" && pwd)
export PATH="$PATH:/usr/lib/wine"
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" QT_QPA_PLATFORM=offscreen
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine64 wineboot -i >/dev/null 2>&1
    # Wine brings no fonts: the window's measured design needs a face with Arial's metrics.
    cp /usr/share/fonts/truetype/liberation/LiberationSans-*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
failed=0
cd "$out/bin"
for suite in test_*.exe; do
    [ "$suite" = test_export.exe ] && continue
    if timeout 900 wine64 "./$suite" > "$out/$suite.log" 2>&1; then
        skipped=$(grep -o '^\[  SKIPPED \] [0-9]* tests*' "$out/$suite.log" | grep -o '[0-9]*' | head -1 || true)
        echo "passed  $suite${skipped:+ ($skipped skipped, each with its reason in $suite.log)}"
    else
        echo "FAILED  $suite (log: $out/$suite.log)"
        tail -30 "$out/$suite.log"
        failed=1
    fi
done
bash "$root/scripts/wine-install-check.sh" "$out" || failed=1
exit $failed

#!/usr/bin/env bash
# Runs every benchmark of build/bin (scripts/build.sh makes them) and prints its figures.
#   scripts/bench.sh            figures: each benchmark as long as it asks, on an idle machine
#   scripts/bench.sh --smoke    each benchmark once, as CI runs them: fails on any benchmark's error
#   scripts/bench.sh [--smoke] bench_convert ...   only those binaries
# Every benchmark runs on a fixed calendar of its own, never on the machine's date.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
smoke=0
if [ "${1:-}" = "--smoke" ]; then smoke=1; shift; fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for b in "$root"/build/bin/bench_*; do names+=("$(basename "$b")"); done
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
for name in "${names[@]}"; do
    echo "== $name"
    if [ $smoke -eq 1 ]; then
        if ! ZORVEL_BENCH_SMOKE=1 "$root/build/bin/$name" --benchmark_out="$out/$name.json" \
            --benchmark_out_format=json >"$out/$name.txt" 2>&1; then
            cat "$out/$name.txt"
            echo "$name: exited with an error"
            failed=1
            continue
        fi
        # Google Benchmark exits 0 over a benchmark that reported an error: the JSON tells.
        if ! python3 - "$out/$name.json" <<'PY'; then failed=1; fi
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
bad = 0
for r in runs:
    if not r.get("error_occurred"):
        print("   ok      %s" % r["name"])
    elif r.get("error_message", "").startswith("skipped: "):
        print("   skipped %s: %s" % (r["name"], r["error_message"][9:]))
    else:
        print("   FAILED  %s: %s" % (r["name"], r.get("error_message", "")))
        bad = 1
sys.exit(bad)
PY
    else
        "$root/build/bin/$name"
    fi
done
exit $failed

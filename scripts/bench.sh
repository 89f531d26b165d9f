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
        if ! awk '
            /"name":/ { split($0, p, "\""); name = p[4]; error = 0; ok[name] = 1 }
            /"error_occurred": true/ { error = 1 }
            /"error_message":/ && error {
                message = $0; sub(/^[^:]*: "/, "", message); sub(/",?$/, "", message)
                if (message ~ /^skipped: /) { print "   skipped " name ": " substr(message, 10) }
                else { print "   FAILED  " name ": " message; bad = 1 }
                delete ok[name]
            }
            END { for (n in ok) print "   ok      " n; exit bad }' "$out/$name.json"; then
            failed=1
        fi
    else
        "$root/build/bin/$name"
    fi
done
exit $failed

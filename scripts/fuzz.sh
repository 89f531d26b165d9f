#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (and AddressSanitizer, UBSan) into
# build-fuzz, runs each on its kept regression cases, then fuzzes each for a while.
#   FUZZ_SECONDS=3600 bash scripts/fuzz.sh      # an hour a target
#   bash scripts/fuzz.sh fuzz_feed              # one target
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
if ! command -v clang++-14 >/dev/null || [ ! -f /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get install -y -q --no-install-recommends clang-14 libclang-rt-14-dev
fi
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZORVEL_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$root/build-fuzz" -j"$(nproc)"
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_scanner fuzz_feed fuzz_numbers fuzz_cli fuzz_list fuzz_access fuzz_invoice)
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
    kind=${t#fuzz_}
    kept="$root/tests/fuzz/regressions/$kind"
    corpus="$work/$kind"
    mkdir -p "$corpus" "$work/found-$kind"
    # Seeds: the kept cases, and for the readers of the bank's files its real files, where this machine has them.
    cp "$kept"/* "$corpus"/ 2>/dev/null || true
    if [ -d "$root/../shared/data/bnr" ] && { [ "$kind" = feed ] || [ "$kind" = scanner ]; }; then
        find "$root/../shared/data/bnr" -name '*.xml' -size -300k | while read -r f; do cp "$f" "$corpus/$(echo "$f" | md5sum | cut -c1-12).xml"; done
    fi
    if [ -d "$root/../shared/data/efactura/samples" ] && [ "$kind" = invoice ]; then
        find "$root/../shared/data/efactura/samples" -type f \( -name '*.xml' -o -name '*.zip' \) -size -60k |
            while read -r f; do cp "$f" "$corpus/$(echo "$f" | md5sum | cut -c1-12)"; done
    fi
    echo "== $t: the kept cases"
    "$root/build-fuzz/bin/$t" -runs=0 "$kept"
    echo "== $t: fuzzing for ${seconds}s"
    "$root/build-fuzz/bin/$t" -max_total_time="$seconds" -max_len=65536 -timeout=30 -rss_limit_mb=2048 \
        -artifact_prefix="$work/found-$kind/" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
    if compgen -G "$work/found-$kind/*" >/dev/null; then
        mkdir -p "$root/build-fuzz/found"
        cp "$work/found-$kind/"* "$root/build-fuzz/found/"
        echo "$t found a failing input: see build-fuzz/found; keep it in tests/fuzz/regressions/$kind once mended" >&2
        exit 1
    fi
done

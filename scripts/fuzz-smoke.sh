#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each for a short while (30 s by default,
# FUZZ_SECONDS to change). Fails on any crash or sanitizer finding.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"
build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DPIMRA_FUZZ=ON -DPIMRA_SANITIZE=ON -DPIMRA_BUILD_APP=OFF -DPIMRA_BUILD_BENCH=OFF \
    > "$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }

targets=()
for source in fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$source" .cpp)")
done
ninja -C "$build" -j2 "${targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for target in "${targets[@]}"; do
    binary="$build/fuzz/$target"
    [ -x "$binary" ] || { echo "fuzz: $target was not built, skipped"; continue; }
    name="${target#fuzz_}"
    # Work on a copy so that the run does not add files to the checkout.
    corpus="$(mktemp -d)"
    if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$corpus/"; fi
    args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1)
    if [ -f "fuzz/$name.dict" ]; then args+=(-dict="$PWD/fuzz/$name.dict"); fi
    # Extra libFuzzer flags of a target, one or more per line.
    if [ -f "fuzz/$name.options" ]; then read -r -a extra < "fuzz/$name.options"; args+=("${extra[@]}"); fi
    echo "fuzz: $target for ${seconds}s"
    status=0
    (cd "$(mktemp -d)" && "$OLDPWD/$binary" "${args[@]}" "$corpus") > "$build/$target.log" 2>&1 \
        || status=$?
    grep -E '^stat::number_of_executed_units|^Done' "$build/$target.log" || true
    rm -rf "$corpus"
    if [ "$status" -ne 0 ]; then
        tail -60 "$build/$target.log"
        echo "fuzz: $target FAILED"
        exit 1
    fi
done
echo "fuzz: all targets passed"

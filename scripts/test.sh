#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/install-test-deps.sh

# The tree stays formatted: any file clang-format would change fails the run.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

build=build/test
# Compiler results are shared between checkouts in different folders.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
mkdir -p build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIMRA_SANITIZE=ON -DPIMRA_WERROR=ON > "$build.configure.log" 2>&1 \
    || { cat "$build.configure.log"; exit 1; }
ninja -C "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if [ -f tests/sanitizer/lsan.supp ]; then
    export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300

# Short fuzzing runs of every fuzz target, when the project has them.
if [ -x scripts/fuzz-smoke.sh ]; then
    bash scripts/fuzz-smoke.sh
fi

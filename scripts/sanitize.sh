#!/usr/bin/env bash
# Installs what is missing, builds the whole suite with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (incrementally after the first
# time) and runs every test program in it. Any finding fails the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
build="${RETENCIONES_SANITIZE_BUILD_DIR:-$root/build-asan}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRETENCIONES_SANITIZE=ON >/dev/null
elif ! grep -q '^RETENCIONES_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt"; then
  cmake "$build" -DRETENCIONES_SANITIZE=ON >/dev/null
fi
cmake --build "$build" -j "$(nproc)"

source "$root/scripts/env.sh"
export QT_QPA_PLATFORM=offscreen
# Stop at the first error with its stack; leaks are checked when each program
# ends. Only third-party libraries appear in the leak suppressions.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:print_stacktrace=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:report_error_type=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
# A 10,000-line CONFIRMA with its control report, under the same checks (its
# peak memory figure means nothing here: the sanitizers' own memory counts).
RETENCIONES_SOURCE_DIR="$root" "$build/bench/memory/bench_memory" 10000 >/dev/null
echo "10,000-line CONFIRMA under the sanitizers: clean"

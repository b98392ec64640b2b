#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (address and undefined-
# behaviour sanitizers) into build-fuzz/ and runs each one, one after the
# other, for the given number of seconds (default 600). Not part of the
# normal build or of the test suite.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Each target starts from its seed corpus in fuzz/corpus/<target>/ and keeps
# what it finds in build-fuzz/corpus/<target>/ (not in the repository). A
# finding stops the script with an error; libFuzzer leaves the input as
# crash-*, leak-*, timeout-* or oom-* in build-fuzz/ and the run's output in
# build-fuzz/<target>.log.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-600}"
[ $# -gt 0 ] && shift
build="${RETENCIONES_FUZZ_DIR:-$root/build-fuzz}"

bash "$root/scripts/install-deps.sh" fuzz

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$root"/fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

export QT_QPA_PLATFORM=offscreen
# A smaller quarantine than the default keeps a long run under the RSS limit:
# with the default the resident size keeps growing over freed blocks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=64}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  # Extra libFuzzer flags of a target (one line), e.g. a larger -max_len.
  extra=()
  if [ -f "$root/fuzz/$target.options" ]; then
    read -r -a extra < "$root/fuzz/$target.options"
  fi
  echo "== $target: $seconds s" >&2
  set +e
  (cd "$build" && "./$target" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=30 -rss_limit_mb=2048 "${extra[@]}" "$corpus" "$root/fuzz/corpus/$target") >"$build/$target.log" 2>&1
  status=$?
  set -e
  if [ "$status" -ne 0 ]; then
    grep -E "FUZZ CHECK|ERROR|SUMMARY|runtime error|Test unit written" "$build/$target.log" >&2 || true
    echo "== $target: finding (exit $status), see $build/$target.log" >&2
    exit 1
  fi
  grep -E "^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec)" "$build/$target.log" >&2 || true
done

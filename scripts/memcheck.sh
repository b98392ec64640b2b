#!/usr/bin/env bash
# Runs the whole-declaration scenario test and a 10,000-line CONFIRMA with its
# control report under valgrind's memcheck: any memory error or any block
# definitely lost fails the run. Builds into build/ first, as scripts/build.sh
# does (set RETENCIONES_BUILD_DIR for another folder).
#
#   bash scripts/memcheck.sh            # both checks
#   bash scripts/memcheck.sh scenario   # only the scenario test
#   bash scripts/memcheck.sh confirma   # only the 10,000-line CONFIRMA
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${RETENCIONES_BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh" memcheck
bash "$root/scripts/build.sh"
source "$root/scripts/env.sh"
export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 RETENCIONES_SOURCE_DIR="$root"
# The tests' own lock directory, as ctest gives it to them.
export FIREBIRD_LOCK="$build/firebird-lock"
mkdir -p "$FIREBIRD_LOCK"

logs="$build/memcheck"
mkdir -p "$logs"
checks=("$@")
[ ${#checks[@]} -eq 0 ] && checks=(scenario confirma)

memcheck() {
  local name=$1
  shift
  echo "memcheck: $name (log in $logs/$name.log)"
  # Only definite leaks count: the libraries below us keep process-wide
  # blocks reachable until the end, and Qt's and Firebird's pools hold
  # pointers into the middle of blocks (counted as "possibly lost").
  if ! valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
      --track-origins=yes --num-callers=30 --error-exitcode=99 \
      --suppressions="$root/scripts/valgrind.supp" --gen-suppressions=all \
      --log-file="$logs/$name.log" "$@" >"$logs/$name.out" 2>&1; then
    echo "memcheck: $name FAILED" >&2
    grep -E "ERROR SUMMARY|definitely lost|Invalid|uninitialised|FAIL" "$logs/$name.log" "$logs/$name.out" >&2 || true
    return 1
  fi
  grep -E "ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable|suppressed:" "$logs/$name.log"
}

status=0
for check in "${checks[@]}"; do
  case "$check" in
    scenario) memcheck scenario "$build/tests/scenario/test_gui_scenario" || status=1 ;;
    confirma) memcheck confirma "$build/bench/memory/bench_memory" 10000 || status=1 ;;
    *) echo "unknown check: $check (scenario or confirma)" >&2; exit 2 ;;
  esac
done
exit $status

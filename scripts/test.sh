#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite headless.
#
#   scripts/test.sh [CTEST ARGUMENTS]               the normal build in build/
#   scripts/test.sh --sanitize [CTEST ARGUMENTS]    the whole project built a second time with
#                                                   AddressSanitizer and UndefinedBehaviorSanitizer
#                                                   in build-sanitize/, then the same suite
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sanitize=0
if [ "${1:-}" = "--sanitize" ]; then
  sanitize=1
  shift
  export QUORVEX_BUILD_DIR="${QUORVEX_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
  export QUORVEX_CMAKE_OPTIONS="-DQUORVEX_SANITIZE=ON"
fi
bash "$root/scripts/setup.sh"
build="${QUORVEX_BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

if [ "$sanitize" -eq 0 ]; then
  cd "$build"
  exec ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"
fi

# Undefined behaviour and memory errors stop the process at once; leaks are reported when it
# exits, except those the system libraries own (tests/sanitizer/lsan.supp). A report from a
# child whose exit status no test looks at must fail the run too: memory errors and leaks
# of every process go to files of their own, and the tests' output is searched for the
# rest (undefined behaviour is reported on the error stream whatever log_path says).
reports="$build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
# Leak checking stops the process's threads with ptrace; where a container forbids that,
# every process would die at exit. Leak checking is then left off, and the run says so.
leaks=1
probe="$(ASAN_OPTIONS=detect_leaks=1 "$build/bin/quorvexctl" --version 2>&1 >/dev/null || true)"
if [[ "$probe" == *"LeakSanitizer has encountered a fatal error"* ]]; then
  leaks=0
  echo "WARNING: LeakSanitizer cannot run on this machine (ptrace is not allowed): leaks are not checked in this run."
fi
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=$leaks:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:abort_on_error=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"

status=0
(cd "$build" && ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@") || status=$?
if [ -n "$(ls -A "$reports")" ]; then
  echo "Sanitizer reports:"
  for report in "$reports"/*; do
    echo "---- $report"
    cat "$report"
  done
  status=1
fi
log="$build/Testing/Temporary/LastTest.log"
pattern='runtime error:|ERROR: (Address|Leak|UndefinedBehavior)Sanitizer|SUMMARY: (Address|Leak|UndefinedBehavior)Sanitizer'
if [ -f "$log" ] && grep -Eq "$pattern" "$log"; then
  echo "Sanitizer reports in the test output ($log):"
  grep -En -B2 -A20 "$pattern" "$log" | head -n 400
  status=1
fi
if [ "$status" -eq 0 ]; then
  echo "Sanitizer suite passed: no memory error, undefined behaviour$([ "$leaks" -eq 1 ] && echo " or leak") reported."
fi
exit "$status"

#!/usr/bin/env bash
# A longer fuzzing run of one target, under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   scripts/fuzz.sh TARGET [SECONDS] [FUZZER OPTIONS...]
#   scripts/fuzz.sh --libfuzzer TARGET [SECONDS] [FUZZER OPTIONS...]
#
# TARGET is a fuzz target's name (program_file, frame_reader, module_file: fuzz/fuzz_*.cpp);
# SECONDS defaults to 600. Without --libfuzzer the target runs with our own driver in the
# sanitizer build (build-sanitize/, shared with scripts/test.sh --sanitize); with it, the
# project is built with clang as coverage-guided libFuzzer programs in build-libfuzzer/.
# A failing input is saved in the build folder's fuzz/ as crash-* (or timeout-*); run
# the target with that file as its only argument to reproduce it. See docs/fuzzing.md.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
libfuzzer=0
if [ "${1:-}" = "--libfuzzer" ]; then
  libfuzzer=1
  shift
fi
if [ $# -lt 1 ] || [ ! -f "$root/fuzz/fuzz_$1.cpp" ]; then
  echo "usage: scripts/fuzz.sh [--libfuzzer] TARGET [SECONDS] [FUZZER OPTIONS...]" >&2
  echo "targets: $(cd "$root/fuzz" && ls fuzz_*.cpp | sed 's/^fuzz_//; s/\.cpp$//' | tr '\n' ' ')" >&2
  exit 2
fi
target="fuzz_$1"
seconds="${2:-600}"
shift $(( $# >= 2 ? 2 : 1 ))

if [ "$libfuzzer" -eq 1 ]; then
  if ! command -v clang++ >/dev/null; then
    echo "scripts/fuzz.sh: --libfuzzer needs clang (apt-get install clang)" >&2
    exit 1
  fi
  export QUORVEX_BUILD_DIR="${QUORVEX_LIBFUZZER_BUILD_DIR:-$root/build-libfuzzer}"
  export QUORVEX_CMAKE_OPTIONS="-DCMAKE_CXX_COMPILER=clang++ -DQUORVEX_SANITIZE=ON -DQUORVEX_LIBFUZZER=ON"
else
  export QUORVEX_BUILD_DIR="${QUORVEX_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
  export QUORVEX_CMAKE_OPTIONS="-DQUORVEX_SANITIZE=ON"
fi
export QUORVEX_BUILD_TARGETS="$target"
bash "$root/scripts/setup.sh"
build="$QUORVEX_BUILD_DIR"

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
mapfile -t corpus < "$build/fuzz/$target.corpus"
work="$build/fuzz/found/${target#fuzz_}"
mkdir -p "$work"
exec "$build/bin/$target" -max_total_time="$seconds" -artifact_prefix="$build/fuzz/" "$@" "$work" "${corpus[@]}"

#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite headless.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
build="${QUORVEX_BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$build"
ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"

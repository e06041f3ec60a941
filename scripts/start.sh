#!/usr/bin/env bash
# Sets everything up, builds, and starts the program (the editor window).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
bin="${QUORVEX_BUILD_DIR:-$root/build}/bin"
exec "$bin/quorvex" "$@"

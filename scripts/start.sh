#!/usr/bin/env bash
# Sets everything up, builds, and starts the program. Until the desktop window is part of
# the build, it shows what the command-line tool can do.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
bin="${QUORVEX_BUILD_DIR:-$root/build}/bin"
if [ -x "$bin/quorvex" ]; then
  exec "$bin/quorvex" "$@"
fi
exec "$bin/quorvexctl" help

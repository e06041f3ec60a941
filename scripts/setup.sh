#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing), then configures and builds
# incrementally into build/. Sourced by start.sh and test.sh; safe to run on its own.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVEX_BUILD_DIR:-$root/build}"

# shared-mime-info and poppler-utils let the tests check the installed file type and read
# the print-out back from its PDF; lintian, appstream, desktop-file-utils, man-db (with
# groff-base) and bash-completion check the package, its desktop data, its manual pages and
# its shell completion.
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev
          libgl-dev fonts-liberation socat dpkg-dev file shared-mime-info poppler-utils
          lintian appstream desktop-file-utils man-db groff-base bash-completion gzip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Extra configuration of this build folder (e.g. -DQUORVEX_SANITIZE=ON from test.sh).
read -r -a options <<< "${QUORVEX_CMAKE_OPTIONS:-}"

# Configuring again is cheap and picks up folders added since the last run.
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
else
  launcher=()
  # A compiler cache, when the machine has one, makes rebuilds in fresh folders cheap.
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "${options[@]}"
fi
# QUORVEX_BUILD_TARGETS names the targets to build when not all of them are needed.
read -r -a targets <<< "${QUORVEX_BUILD_TARGETS:-all}"
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"

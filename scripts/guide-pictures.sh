#!/usr/bin/env bash
# Draws every picture of the user guide (docs/guide/images) and of the README (docs/pictures)
# again, with the program's own windows and drawing code: the guide gallery
# (bench/guide_gallery.cpp), the device dialog gallery and quorvexctl render. Run it after a
# change of the windows, the step boxes, the texts or the examples, look at the pictures, and
# commit them.
#   scripts/guide-pictures.sh [BUILD_DIR]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
images=$root/docs/guide/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target guide_gallery device_dialog_gallery quorvexctl quorvex_data -j2
# Off screen, with settings of its own (the galleries' windows save a language choice).
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
export QUORVEX_DATA_DIR=$build/share/quorvex
mkdir -m 700 "$work/runtime"

"$build/bin/guide_gallery" "$images"

# The device dialogs and menus, in English.
mkdir -p "$work/device"
"$build/bin/device_dialog_gallery" "$work/device" >/dev/null
cp "$work/device/compare_1_2057.png" "$images/compare.png"
cp "$work/device/password_2057.png" "$images/password.png"
cp "$work/device/menu_1_2057_4.png" "$images/menu-relay.png"

# Step chains as Export picture and quorvexctl render draw them.
ctl=$build/bin/quorvexctl
"$ctl" new --model QVR_K115_ZQX --force "$work/default-1.qvp"
"$ctl" render "$work/default-1.qvp" -o "$images/chain-default-1.png" --height 80 --language en
"$ctl" render "$QUORVEX_DATA_DIR/examples/staircase-light.qvp" -o "$images/chain-staircase-light.png" \
  --height 80 --language en

# The README's pictures (also the software centre's screenshots): the window and the timing
# diagram in English.
cp "$images/en/window.png" "$root/docs/pictures/main-window.png"
cp "$images/en/timing-diagram.png" "$root/docs/pictures/timing-diagram.png"

echo "pictures written to $images and $root/docs/pictures"

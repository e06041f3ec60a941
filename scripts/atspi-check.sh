#!/usr/bin/env bash
# Shows what a screen reader sees of the program window through AT-SPI, from outside the
# program: starts build/bin/quorvex fresh (its own settings folder) under a private X server
# with an accessibility bus, answers the relay model question, presses the given keys and prints
# the step chain's tree (scripts/atspi-tree.py).
#
#   scripts/atspi-check.sh LCID CHAIN-NAME [XDOTOOL-KEY]...
#   scripts/atspi-check.sh 2057 "Step chain" Right Right
#   scripts/atspi-check.sh 1031 "Schrittkette" Right Right Return
#
# Needs (not part of the test suite): xvfb xdotool openbox at-spi2-core python3-pyatspi dbus.
set -eu
[ $# -ge 2 ] || { echo "usage: atspi-check.sh LCID CHAIN-NAME [KEY]..." >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
lcid=$1 prefix=$2
shift 2
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${ATSPI_CHECK_INNER:-}" ]; then
    exec env ATSPI_CHECK_INNER=1 dbus-run-session -- "$0" "$lcid" "$prefix" "$@"
fi
home=$(mktemp -d)
mkdir -p "$home/Morvik"
printf '[General]\nLCID=%s\n' "$lcid" > "$home/Morvik/Quorvex.conf"
disp=:$((200 + RANDOM % 50))
Xvfb "$disp" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids=$!
trap 'kill $pids 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
sleep 0.5
export DISPLAY=$disp QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 XDG_CONFIG_HOME=$home
openbox >/dev/null 2>&1 &
pids="$pids $!"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids="$pids $!"
sleep 1
"$here/build/bin/quorvex" >/dev/null 2>&1 &
pids="$pids $!"
sleep 3
xdotool key Return
sleep 1.5
for key in "$@"; do
    xdotool key "$key"
    sleep 0.5
done
/usr/bin/python3 "$here/scripts/atspi-tree.py" "$prefix"

#!/usr/bin/env bash
# Installs the built project into a temporary prefix and starts the installed program; then
# builds the Debian package, unpacks it and starts the program from the package's files.
#   install_check.sh BUILD_DIR CMAKE CPACK
set -euo pipefail
build=$1 cmake=$2 cpack=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen QUORVEX_EXIT_AFTER_FIRST_FRAME=1
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"

fail() { echo "FAIL: $*" >&2; exit 1; }
# The program reaches its first frame from where it was installed.
starts() {
  local out
  out=$("$1" 2>"$work/stderr") || fail "$1 ended with status $?: $(cat "$work/stderr")"
  [ "$out" = "first frame: CMainFrame" ] || fail "$1 printed '$out'"
  echo "ok: $1 starts"
}
has() {
  local root=$1; shift
  for f in "$@"; do [ -e "$root/$f" ] || fail "$root lacks $f"; done
}
installed=(bin/quorvex bin/quorvexctl bin/Lang/Strings_en.so bin/Lang/Strings_pl.so
           share/applications/quorvex.desktop share/icons/hicolor/scalable/apps/quorvex.svg
           share/mime/packages/quorvex.xml
           share/quorvex/guide/README.md share/quorvex/guide/pl/getting-started.md
           share/quorvex/guide/images/en/window.png share/quorvex/examples/staircase-light.qvp)
# File managers open program files with the program: the desktop entry takes a file and names
# the type that the MIME package declares for *.qvp.
opens_program_files() {
  local share=$1 type=application/x-quorvex-program
  grep -q "^Exec=quorvex %f$" "$share/applications/quorvex.desktop" || fail "the desktop entry takes no file"
  grep -q "^MimeType=.*$type;" "$share/applications/quorvex.desktop" || fail "the desktop entry names no $type"
  grep -q "<mime-type type=\"$type\">" "$share/mime/packages/quorvex.xml" || fail "the MIME package lacks $type"
  grep -q '<glob pattern="\*.qvp"/>' "$share/mime/packages/quorvex.xml" || fail "the MIME package lacks *.qvp"
  if command -v xmllint >/dev/null; then xmllint --noout "$share/mime/packages/quorvex.xml" || fail "invalid MIME XML"; fi
  # The desktop's own tool reads the package as a file manager's database would hold it.
  if command -v update-mime-database >/dev/null; then
    local copy=$work/mime-check
    rm -rf "$copy" && mkdir -p "$copy/packages" && cp "$share/mime/packages/quorvex.xml" "$copy/packages/"
    update-mime-database "$copy" >/dev/null 2>&1 || fail "update-mime-database refuses the MIME package"
    grep -q "^[0-9]*:$type:\*\.qvp$" "$copy/globs2" || fail "the MIME database does not map *.qvp to $type"
  fi
  echo "ok: $share declares program files"
}

# The installed tool writes every example as the installation holds it, byte for byte, and
# every picture the installed guide shows is there.
has_examples_and_guide() {
  local root=$1 name count=0
  while read -r name _; do
    "$root/bin/quorvexctl" new --example "$name" --force "$work/example.qvp" \
      || fail "$root: quorvexctl new --example $name failed"
    cmp -s "$work/example.qvp" "$root/share/quorvex/examples/$name.qvp" \
      || fail "$root: example $name differs from the installed file"
    count=$((count + 1))
  done < <("$root/bin/quorvexctl" new --list-examples)
  [ "$count" -ge 6 ] || fail "$root: only $count examples"
  local page picture
  for page in "$root"/share/quorvex/guide/*.md "$root"/share/quorvex/guide/*/*.md; do
    for picture in $(grep -o '!\[[^]]*\]([^)]*)' "$page" | sed 's/.*(\(.*\))/\1/'); do
      [ -f "$(dirname "$page")/$picture" ] || fail "$page shows the missing picture $picture"
    done
  done
  echo "ok: $root holds the guide and $count examples"
}

"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null
has "$work/prefix" "${installed[@]}"
opens_program_files "$work/prefix/share"
has_examples_and_guide "$work/prefix"
starts "$work/prefix/bin/quorvex"

(cd "$build" && "$cpack" -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/*.deb)
dpkg-deb -x "$deb" "$work/root"
has "$work/root/usr" "${installed[@]}"
opens_program_files "$work/root/usr/share"
has_examples_and_guide "$work/root/usr"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6svg6 libqt6serialport6 libqt6printsupport6; do
  grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib: $depends"
done
starts "$work/root/usr/bin/quorvex"

#!/usr/bin/env bash
# Installs the built project into a temporary prefix and starts the installed programs; then
# builds the Debian package, unpacks it and starts the program from the package's files. Both
# hold the manual pages, the bash completion, the desktop entry and the AppStream data, which
# the desktop's own checkers accept, and the package passes lintian.
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
installed=(bin/quorvex bin/quorvexctl bin/quorvex-virtual-relay
           libexec/quorvex/Lang/Strings_en.so libexec/quorvex/Lang/Strings_pl.so
           share/applications/quorvex.desktop share/icons/hicolor/scalable/apps/quorvex.svg
           share/mime/packages/quorvex.xml share/metainfo/com.morvik.quorvex.metainfo.xml
           share/man/man1/quorvex.1.gz share/man/man1/quorvexctl.1.gz
           share/man/man1/quorvex-virtual-relay.1.gz share/bash-completion/completions/quorvexctl
           share/doc/quorvex/copyright share/doc/quorvex/changelog.gz
           share/quorvex/guide/README.md share/quorvex/guide/pl/getting-started.md
           share/quorvex/guide/images/en/window.png share/quorvex/examples/staircase-light.qvp)
# A checker that is not installed is reported and passed over (scripts/setup.sh installs them).
checker() {
  command -v "$1" >/dev/null && return 0
  echo "skip: $1 is not installed"
  return 1
}
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
# The desktop entry and the software centre's data, as the desktop's checkers read them.
desktop_data_valid() {
  local root=$1 share=$1/share
  if checker desktop-file-validate; then
    desktop-file-validate "$share/applications/quorvex.desktop" || fail "desktop-file-validate refuses the desktop entry"
  fi
  if checker appstreamcli; then
    appstreamcli validate --no-net "$share/metainfo/com.morvik.quorvex.metainfo.xml" >"$work/appstream" 2>&1 ||
      fail "appstreamcli refuses the metadata: $(cat "$work/appstream")"
    # Metadata and desktop entry together, as a software centre finds them.
    appstreamcli validate-tree --no-net "$root" >"$work/appstream" 2>&1 ||
      fail "appstreamcli refuses the installed tree: $(cat "$work/appstream")"
  fi
  echo "ok: $share holds valid desktop data"
}
# Every manual page renders without a complaint from groff.
pages_render() {
  local page
  checker man || return 0
  for page in "$1"/share/man/man1/*.1.gz; do
    MANWIDTH=80 man --warnings -l "$page" >/dev/null 2>"$work/man" || fail "man cannot show $page"
    [ -s "$work/man" ] && fail "groff warns about $page: $(cat "$work/man")"
  done
  echo "ok: the manual pages of $1 render"
}
# The installed quorvexctl, started through its link in bin, finds the languages beside its
# executable; so does the installed completion.
tool_finds_languages() {
  local bin=$1/bin
  "$bin/quorvexctl" new --model QVR_K115_ZQX "$work/p.qvp" --force >/dev/null || fail "$bin/quorvexctl new failed"
  "$bin/quorvexctl" describe "$work/p.qvp" --language pl >/dev/null 2>"$work/stderr" ||
    fail "$bin/quorvexctl finds no Polish: $(cat "$work/stderr")"
  if [ -r /usr/share/bash-completion/bash_completion ]; then
    local offered
    offered=$(PATH="$bin:$PATH" bash -c '
      source /usr/share/bash-completion/bash_completion; source "$1/../share/bash-completion/completions/quorvexctl"
      COMP_WORDS=(quorvexctl describe p.qvp --language ""); COMP_CWORD=4; COMP_LINE="quorvexctl describe p.qvp --language "
      COMP_POINT=${#COMP_LINE}; _quorvexctl quorvexctl "" --language; echo "${COMPREPLY[*]}"' _ "$bin")
    [[ " $offered " == *" pl "* && " $offered " == *" en "* ]] || fail "the installed completion offers languages '$offered'"
  fi
  echo "ok: $bin/quorvexctl finds its languages"
}

"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null
has "$work/prefix" "${installed[@]}"
opens_program_files "$work/prefix/share"
has_examples_and_guide "$work/prefix"
desktop_data_valid "$work/prefix"
pages_render "$work/prefix"
starts "$work/prefix/bin/quorvex"
tool_finds_languages "$work/prefix"

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
desktop_data_valid "$work/root/usr"
pages_render "$work/root/usr"
starts "$work/root/usr/bin/quorvex"
tool_finds_languages "$work/root/usr"
# Debian's own checker: no error and no warning (its informational notes are not counted).
if checker lintian; then
  lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 || fail "lintian: $(cat "$work/lintian")"
  echo "ok: lintian passes the package"
fi

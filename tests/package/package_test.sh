#!/usr/bin/env bash
# The Debian packages as a user gets them. scripts/package builds them from a
# build tree; dpkg-deb shows their names, fields, dependencies and files.
# kestrel-cli, unpacked alone, must need no Qt (by its dependencies and the
# libraries it loads) and run without a display. desktop-file-validate checks
# kestrel's desktop entry. Unpacked into a throw-away
# root, the installed kestrel is started the way the desktop entry starts it,
# on a product's folder and from the menu, under Qt's offscreen platform. Qt's
# own painting trace (the program reads no option or variable of its own)
# must show every control of the form drawn and the window flushed to the
# screen; the program must stay up in the folder it was given and write
# nothing there.
#   package_test.sh BUILD_DIR
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build_dir="$(cd "$1" && pwd)"
work="$(mktemp -d)"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
failures=0
fail() { echo "package test: $*" >&2; failures=$((failures + 1)); }

version="$(sed -n 's/^project(kestrel VERSION \([0-9.]*\) .*/\1/p' "$root_dir/CMakeLists.txt")"
debs="$(bash "$root_dir/scripts/package" "$build_dir" "$work/dist" | tail -n 2)"
cli_deb="$(head -n 1 <<<"$debs")"
deb="$(tail -n 1 <<<"$debs")"
for package in kestrel-cli:"$cli_deb" kestrel:"$deb"; do
  name="${package%%:*}" file="${package#*:}"
  [ "$(basename "$file")" = "${name}_${version}_amd64.deb" ] || fail "the package $name is named $(basename "$file")"
  for check in "Package $name" "Version $version" "Architecture amd64"; do
    [ "$(dpkg-deb -f "$file" "${check% *}")" = "${check#* }" ] || fail "$name: ${check% *} is not ${check#* }"
  done
done
dependencies="$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')"
depends_on() { grep -qx "$1" <<<"$dependencies"; }
for package in qt6-qpa-plugins fonts-arphic-uming; do depends_on "$package" || fail "no dependency on $package"; done
dpkg-deb -f "$deb" Depends | tr ',' '\n' | grep -qx " *kestrel-cli (= $version)" ||
  fail "kestrel does not depend on kestrel-cli $version"

# kestrel-cli comes in its own package; kestrel brings it in by its dependency.
expected=(/usr/bin/kestrel /usr/share/applications/kestrel.desktop
  /usr/share/doc/kestrel/README.md /usr/share/icons/hicolor/scalable/apps/kestrel.svg)
for size in 16 24 32 48 64 128 256; do expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/kestrel.png"); done
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' >"$work/contents"
for path in "${expected[@]}"; do grep -qx "$path" "$work/contents" || fail "$path is not in the package"; done
! grep -qx /usr/bin/kestrel-cli "$work/contents" || fail "kestrel ships /usr/bin/kestrel-cli itself"
dpkg-deb -c "$cli_deb" | awk '{print substr($6, 2)}' | grep -v '/$' | sort >"$work/cli-contents"
printf '%s\n' /usr/bin/kestrel-cli /usr/share/doc/kestrel-cli/README.md | diff -u - "$work/cli-contents" ||
  fail "kestrel-cli holds other files"

# kestrel-cli alone: no Qt among its dependencies or the libraries it loads,
# and it runs its help and a dry run without a display.
cli_dependencies="$(dpkg-deb -f "$cli_deb" Depends)"
! grep -Eiq 'qt|fonts|libx' <<<"$cli_dependencies" || fail "kestrel-cli depends on $cli_dependencies"
dpkg-deb -x "$cli_deb" "$work/cli-root"
cli="$work/cli-root/usr/bin/kestrel-cli"
libraries="$(ldd "$cli")"
# (X11's libraries; libxml2 comes with Debian's libarchive and is no window's.)
x_or_qt='qt|libx11|libx[a-z]*[0-9]*\.so|libxcb|libxkb|not found'
! grep -Ei "$x_or_qt" <<<"$libraries" | grep -vq 'libxml2' ||
  fail "kestrel-cli loads: $(grep -Ei "$x_or_qt" <<<"$libraries" | grep -v libxml2 | xargs)"
mkdir -p "$work/release"
without_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
"${without_display[@]}" "$cli" --help | grep -q verify || fail "kestrel-cli --help does not name verify"
(cd "$work/release" && "${without_display[@]}" "$cli" generate --dry-run --update-url http://example.com/u/Update.txt \
  --program Sales.exe --program-version 1.5 --latest-version 1.6 --date 2024-03-02 \
  --package-url http://example.com/u/sales.zip --note "Report printing fixed" | grep -q 'Version=1.6') ||
  fail "kestrel-cli generate --dry-run did not print the new descriptor"
[ -z "$(ls -A "$work/release")" ] || fail "kestrel-cli generate --dry-run wrote $(ls -A "$work/release")"

dpkg-deb -x "$deb" "$work/root"
installed="$work/root/usr"

# Every Qt library an installed program loads comes with a package it depends on.
for program in "$installed"/bin/*; do
  for library in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(libQt6[^]]*\)\].*/\1/p'); do
    owner="$(dpkg -S "*/$library" | sed -n '1s/:.*//p')"
    depends_on "$owner" || fail "$(basename "$program") loads $library of $owner, not a dependency"
  done
done
cmp -s "$installed/share/doc/kestrel/README.md" "$root_dir/README.md" || fail "the README differs"
for size in 16 24 32 48 64 128 256; do
  header="$(od -An -tu1 -N24 "$installed/share/icons/hicolor/${size}x${size}/apps/kestrel.png" | tr -s ' \n' ' ')"
  side="0 0 $((size >> 8)) $((size & 255))"  # big-endian width and height in the IHDR chunk
  [ "$header" = " 137 80 78 71 13 10 26 10 0 0 0 13 73 72 68 82 $side $side " ] ||
    fail "the ${size}x${size} icon is not a PNG of that size"
done

entry="$installed/share/applications/kestrel.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the desktop entry"
for line in 'Name\[zh_CN\]=.+' 'Comment=.+' 'Comment\[zh_CN\]=.+' 'Categories=(.*;)?Development;.*' \
  'MimeType=inode/directory;' 'Icon=kestrel' 'Exec=.*%f.*'; do
  grep -Eqx "$line" "$entry" || fail "the desktop entry has no line $line"
done

# Starts the entry's Exec line (key-file escapes undone; its quoting is the
# shell's double quoting) with FOLDER for %f, or none as from the menu, waits
# until the whole form is painted and checks the program running in WHERE.
controls="$(printf '%s\n' sle_{1..12} st_{1..30} mle_1 gb_{1..3} cb_{1..2} | sort)"
drawn() { grep -o 'Drawing .* name="[a-z]*_[0-9]*"' "$work/log" | sed 's/.*name="\(.*\)"/\1/' | sort -u; }
flushed() { grep -q '^qt.widgets.painting: Flushing QRegion' "$work/log"; }
start_in() {
  local where="$1" folder="$2" exec_line pid i
  exec_line="$(sed -n 's/^Exec=//p' "$entry" | sed 's/\\\\/\\/g')"
  if [ -n "$folder" ]; then exec_line="${exec_line//%f/\"\$folder\"}"; else exec_line="${exec_line//%f/}"; fi
  eval "set -- $exec_line"
  mkdir -p -m 700 "$work/runtime"
  PATH="$installed/bin:$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="qt.widgets.painting=true" "$@" >/dev/null 2>"$work/log" &
  pid=$!
  pids+=("$pid")
  for ((i = 0; i < 300; ++i)); do
    { [ "$(drawn)" = "$controls" ] && flushed; } || ! kill -0 "$pid" 2>/dev/null && break
    sleep 0.1
  done
  [ "$(drawn)" = "$controls" ] || fail "started in $where, not every control was drawn: $(drawn | xargs)"
  flushed || fail "started in $where, nothing reached the screen"
  if kill -0 "$pid" 2>/dev/null; then
    [ "$(readlink "/proc/$pid/exe")" = "$installed/bin/kestrel" ] || fail "the entry started $(readlink "/proc/$pid/exe")"
    [ "$(readlink "/proc/$pid/cwd")" = "$where" ] || fail "started in $where, it runs in $(readlink "/proc/$pid/cwd")"
    kill "$pid"
  else
    fail "started in $where, it ended: $(grep -v '^qt.widgets.painting' "$work/log" | head -n 3)"
  fi
  wait "$pid" 2>/dev/null || true
}

product="$work/a product"
mkdir -p "$product" "$work/home"
printf '[Update]\r\nVersion=2.22\r\n' >"$product/Update.txt"
start_in "$product" "$product"
[ "$(ls -A "$product")" = "Update.txt" ] && [ "$(cat "$product/Update.txt")" = $'[Update]\r\nVersion=2.22\r' ] ||
  fail "starting in a folder changed what is in it"
start_in "$work/home" ""

[ "$failures" -eq 0 ] || { echo "package test: $failures failures" >&2; exit 1; }
echo "package test: $(basename "$cli_deb") and $(basename "$deb") passed"

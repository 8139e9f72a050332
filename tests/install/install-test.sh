#!/usr/bin/env bash
# Installs the build into a fresh temporary prefix (with a space in it) and checks that the installation
# is complete and starts from there: custodiactl answers, and the console, on Qt's offscreen platform,
# finds its word files in its own folder and stays up past its splash screen. Needs no display and
# leaves nothing behind.
# Usage: install-test.sh BUILD-FOLDER with-console|without-console
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: install-test.sh BUILD-FOLDER with-console|without-console" >&2
  exit 2
fi
build=$1
with_console=false
[ "$2" = with-console ] && with_console=true

work=$(mktemp -d)
console_pid=""
cleanup() {
  if [ -n "$console_pid" ]; then
    kill "$console_pid" 2>/dev/null || true
    wait "$console_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "install-test: $*" >&2
  exit 1
}

prefix="$work/prefix with space"
programs="$prefix/lib/custodia"
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  fail "cmake --install failed"
fi

# Exactly the installation's files: no demo, no German test words, no list of login paths.
expected=(custodiactl cstdword.eng "Custodia Help.eng" gnrlword.eng helpbarlogo.bmp splash.bmp techsprt.txt
  tessel.pwd)
$with_console && expected+=(custodia)
want=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
have=$(cd "$programs" && LC_ALL=C ls -A)
[ "$want" = "$have" ] || fail "$programs holds"$'\n'"$have"$'\n'"instead of"$'\n'"$want"

for program in custodiactl $($with_console && echo custodia); do
  [ -L "$prefix/bin/$program" ] || fail "bin/$program is not a link"
  [ "$(readlink -f "$prefix/bin/$program")" = "$(readlink -f "$programs/$program")" ] ||
    fail "bin/$program does not lead to $programs/$program"
done

# From a folder of the caller's: relative paths stay the caller's, and the installed user file is the
# one a fresh login path gets, without users, so the console starts without a log-on.
cd "$work"
"$prefix/bin/custodiactl" --help >"$work/help.txt" || fail "custodiactl --help failed"
grep -q "init" "$work/help.txt" || fail "custodiactl --help does not list its commands"
made=$("$prefix/bin/custodiactl" init fresh) || fail "custodiactl init failed"
[ "$made" = "$work/fresh" ] || fail "custodiactl init made '$made', not $work/fresh"
cmp -s "$work/fresh/tessel.pwd" "$programs/tessel.pwd" || fail "the installed tessel.pwd is not an empty user file"

$with_console || exit 0

entry="$prefix/share/applications/custodia.desktop"
[ -f "$entry" ] || fail "no desktop entry"
grep -qxF "Exec=\"$prefix/bin/custodia\"" "$entry" || fail "the desktop entry does not start $prefix/bin/custodia"
grep -qx "Icon=custodia" "$entry" || fail "the desktop entry names no icon"
for size in 16 32; do
  [ -f "$prefix/share/icons/hicolor/${size}x$size/apps/custodia.png" ] || fail "no ${size}px icon"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "the desktop entry is not valid"
fi

# The console has no "start and end" mode. The word loader makes the program's folder the current
# directory only after it has read the English word file there, so that is the sign that it found its
# data; then it has to outlive the splash screen (3 seconds) and run its main window.
mkdir -m 700 "$work/home" "$work/runtime"
(
  cd "$work"
  exec env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen HOME="$work/home" \
    XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
    XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/runtime" "$prefix/bin/custodia"
) >"$work/console.log" 2>&1 &
console_pid=$!

alive() { kill -0 "$console_pid" 2>/dev/null; }
died() {
  wait "$console_pid" && status=0 || status=$?
  console_pid=""
  cat "$work/console.log" >&2
  fail "the console ended (status $status) $1"
}
program_folder=$(readlink -f "$programs")
deadline=$((SECONDS + 30))
until [ "$(readlink "/proc/$console_pid/cwd" 2>/dev/null)" = "$program_folder" ]; do
  alive || died "before reading its word files"
  ((SECONDS < deadline)) || fail "the console did not find its word files in $programs within 30 seconds"
  sleep 0.1
done
deadline=$((SECONDS + 5))
while ((SECONDS < deadline)); do
  alive || died "during its start"
  sleep 0.1
done
echo "install-test: installed into a temporary prefix; custodiactl and the console start from there"

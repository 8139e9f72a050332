#!/usr/bin/env bash
# Drives the console as a screen reader does, through the accessibility bus on a virtual display, and
# checks what it stored with custodiactl. Installs the build into a temporary prefix first, so that the
# build's own folder is left as it was. Exits 77 (skipped, with the reason) where the virtual display,
# the session bus or the accessibility bus and its Python binding are missing.
# Usage: run-atspi-test.sh BUILD-FOLDER
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: run-atspi-test.sh BUILD-FOLDER" >&2
  exit 2
fi
build=$1
here=$(cd "$(dirname "$0")" && pwd)

skip() {
  echo "atspi: skipped: $*"
  exit 77
}
command -v xvfb-run >/dev/null || skip "xvfb-run is missing (Debian package xvfb)"
command -v dbus-run-session >/dev/null || skip "dbus-run-session is missing (Debian package dbus-x11)"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi-bus-launcher is missing (Debian package at-spi2-core)"
# The system's Python: the binding is a Debian package, not one of a virtual environment's.
python=/usr/bin/python3
[ -x "$python" ] || skip "/usr/bin/python3 is missing"
"$python" -c "import pyatspi" 2>/dev/null || skip "the Python binding pyatspi is missing (Debian package python3-pyatspi)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "atspi: cmake --install failed" >&2
  exit 1
fi
[ -x "$prefix/lib/custodia/custodia" ] || skip "the build has no console (built without the UI)"
mkdir -m 700 "$work/home" "$work/runtime"

export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
export LC_ALL=C.UTF-8 LANG=C.UTF-8
# Qt talks to the accessibility bus only when asked to, or when a screen reader says it runs.
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# Other displays may be starting at the same time: the search for a free one begins at a random
# number, and a display that went away before the console could use it is tried again.
for attempt in 1 2 3; do
  status=0
  xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" dbus-run-session -- \
    "$python" "$here/screen_reader_walk.py" "$prefix/lib/custodia" "$work" || status=$?
  [ "$status" -eq 3 ] || exit "$status"
done
exit 1

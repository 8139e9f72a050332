#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root (debootstrap, minimal), with its declared
# dependencies only, and checks it there: custodiactl answers, its manual page is found, the console
# starts offscreen on an empty login path; then removes and purges the package and checks that nothing
# is left but what the administrator made (the login path) and the user's own folder.
# Needs root and Debian's package archive. Usage: package-test.sh DEB [CACHE-FOLDER]
set -euo pipefail
if [ $# -lt 1 ] || [ "$(id -u)" -ne 0 ]; then
  echo "usage (as root): package-test.sh DEB [CACHE-FOLDER]" >&2
  exit 2
fi
deb=$(readlink -f "$1")
cache=${2:-/var/cache/custodia-package-test}
mirror=${CUSTODIA_DEBIAN_MIRROR:-http://deb.debian.org/debian}

command -v debootstrap >/dev/null ||
  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap; }

work=$(mktemp -d)
root=$work/root
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package-test: $*" >&2
  exit 1
}

mkdir -p "$cache/debootstrap" "$cache/apt"
echo "package-test: making a fresh Debian 12 root" >&2
debootstrap --variant=minbase --cache-dir="$cache/debootstrap" bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log" >&2; fail "debootstrap failed"; }
cp "$deb" "$root/tmp/custodia.deb"

# Each step in a mount namespace of its own with /proc, so that nothing stays mounted after it.
in_root() {
  unshare --mount --fork sh -c 'mount -t proc proc "$1/proc" && mount --bind "$2" "$1/var/cache/apt/archives" &&
    shift 2 && exec chroot "$0" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 "$@"' \
    "$root" "$root" "$cache/apt" "$@"
}
# Everything on the root's disk that a package or a program may have put there, without the package
# manager's own records and caches.
snapshot() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./tmp -o -path ./var/lib/dpkg \
    -o -path ./var/lib/apt -o -path ./var/cache -o -path ./var/log -o -path ./run \) -prune -o -print |
    LC_ALL=C sort)
}

echo "package-test: installing the package with its declared dependencies" >&2
in_root sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  man-db /tmp/custodia.deb' >"$work/apt.log" 2>&1 || { tail -30 "$work/apt.log" >&2; fail "installing failed"; }
in_root dpkg --purge custodia >/dev/null
snapshot >"$work/before"
in_root dpkg -i /tmp/custodia.deb >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i failed"; }

in_root custodiactl --help >"$work/help.txt" || fail "custodiactl --help failed"
grep -q "users list" "$work/help.txt" || fail "custodiactl --help does not list its commands"
in_root custodia --help | grep -q "username=NAME" || fail "custodia --help does not name the log-on arguments"
for page in custodiactl custodia; do
  in_root man -w "$page" >"$work/man.txt" || fail "man -w $page finds no page"
  grep -q "/usr/share/man/man1/$page.1.gz" "$work/man.txt" || fail "man -w $page gives $(cat "$work/man.txt")"
done
in_root man -P cat custodiactl 2>/dev/null | grep -q "EXIT STATUS" || fail "man custodiactl has no EXIT STATUS"

# The administrator's login path, and the console run by a user who manages it.
in_root custodiactl init /srv/custodia >/dev/null || fail "custodiactl init failed"
# Typed relative to the caller's folder, as the administrator would from /srv.
in_root sh -c 'cd /srv && custodiactl paths add custodia' || fail "custodiactl paths add failed"
[ -f "$root/root/.config/custodia/custo.cfg" ] || fail "the managed list is not in the user's folder"
in_root custodiactl paths list | grep -qx /srv/custodia || fail "custodiactl paths list does not show the path"

# The console has no "start and end" mode. Entering the user's folder is the sign that it found its
# files; then it has to outlive its splash screen (3 seconds) and run its main window.
unshare --mount --fork --kill-child sh -c 'mount -t proc proc "$0/proc" && exec chroot "$0" env -i \
  PATH=/usr/bin:/bin HOME=/root XDG_RUNTIME_DIR=/tmp LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen custodia' \
  "$root" >"$work/console.log" 2>&1 &
launcher=$!
died() {
  cat "$work/console.log" >&2
  fail "the console ended $1"
}
deadline=$((SECONDS + 30))
console=""
until [ -n "$console" ] && [ "$(readlink "/proc/$console/cwd" 2>/dev/null)" = "$root/root/.config/custodia" ]; do
  kill -0 "$launcher" 2>/dev/null || died "before entering the user's folder"
  ((SECONDS < deadline)) || fail "the console did not enter the user's folder within 30 seconds"
  console=$(pgrep -P "$launcher" || true)
  sleep 0.1
done
deadline=$((SECONDS + 5))
while ((SECONDS < deadline)); do
  kill -0 "$console" 2>/dev/null || died "during its start"
  sleep 0.1
done
kill "$console"
wait "$launcher" 2>/dev/null || true
find "$root/usr" -newer "$work/dpkg.log" -type f | grep -q . && fail "something was written under /usr at run time"
[ -L "$root/root/.config/custodia/gnrlword.eng" ] || fail "the console did not link its words into the user's folder"

echo "package-test: removing the package" >&2
in_root dpkg --remove custodia >/dev/null
in_root sh -c 'command -v custodiactl' >/dev/null && fail "custodiactl is still there after removal"
in_root dpkg --purge custodia >/dev/null
snapshot >"$work/after"
# Left: the administrator's login path and the user's own folders (the console's words, the audit
# trails' last hashes this user saw), nothing else.
left=$(LC_ALL=C comm -13 "$work/before" "$work/after" |
  grep -v -e '^./srv/custodia' -e '^./root/.config' -e '^./root/.local$' -e '^./root/.local/state' || true)
[ -z "$left" ] || fail "left behind after purge:"$'\n'"$left"
gone=$(LC_ALL=C comm -23 "$work/before" "$work/after")
[ -z "$gone" ] || fail "removed what was there before:"$'\n'"$gone"
[ -f "$root/srv/custodia/tessel.pwd" ] || fail "the administrator's login path went with the package"
echo "package-test: installed, used and purged in a fresh Debian 12 root; nothing of it is left"

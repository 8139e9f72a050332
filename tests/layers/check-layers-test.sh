#!/usr/bin/env bash
# The layer check passes on the sources as they are and fails, naming the file, on a copy with one
# include planted against the layers (and on one with a folder in no layer).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$top/scripts/check-layers" "$top/src" >/dev/null

expect_refused() {
  local what=$1 pattern=$2
  if "$top/scripts/check-layers" "$work/src" >"$work/out" 2>&1; then
    echo "FAIL: $what was not refused" >&2
    exit 1
  fi
  grep -q -- "$pattern" "$work/out" || { echo "FAIL: $what: message lacks '$pattern'" >&2; cat "$work/out" >&2; exit 1; }
  echo "ok: $what refused"
}

cp -r "$top/src" "$work/src"
echo '#include "app/CMainFrame.h"' >>"$work/src/store/RecordFile.cpp"
expect_refused "store/ including app/" "store/RecordFile.cpp:.* includes app/"

rm -rf "$work/src" && cp -r "$top/src" "$work/src"
sed -i '1i #include "users/CUserPropertiesDlg.h"' "$work/src/groups/CGroupPropertiesDlg.cpp"
expect_refused "groups/ including users/ (sideways)" "groups/CGroupPropertiesDlg.cpp:1 includes users/"

rm -rf "$work/src" && cp -r "$top/src" "$work/src"
sed -i '1i #include "store/PasswordFileStore.h"' "$work/src/platform/File.cpp"
expect_refused "platform/ including store/" "platform/File.cpp:1 includes store/"

rm -rf "$work/src" && cp -r "$top/src" "$work/src"
mkdir "$work/src/extra" && echo '#include "app/CMainFrame.h"' >"$work/src/extra/X.cpp"
expect_refused "a folder in no layer" "src/extra is in no layer"

#!/bin/bash
# The .reg round trip between the registry store and Wine's regedit, both
# ways:
#   store -> REGEDIT4 file -> regedit /S -> regedit /E -> store
#   (Wine's version 5, UTF-16 files) -> store -> REGEDIT4 -> regedit /S ->
#   regedit /E -> store
# Each stage must give the same keys, values, types and bytes as the
# fixture (compared sorted: Wine keeps keys and values sorted).
#
#   roundtrip.sh REGSTORE FIXTURE WORKDIR
set -u
# Wine's regedit is a 32-bit program: on some machines it runs only through
# scripts/with-i386.
[ -n "${SETUP_I386:-}" ] || exec "$(dirname "$0")/../../scripts/with-i386" "$0" "$@"
regstore=$1
fixture=$2
work=$3
root=$(cd "$(dirname "$0")/../.." && pwd)

keys=('HKEY_LOCAL_MACHINE\Software\RegRoundTrip' 'HKEY_CLASSES_ROOT\RegRoundTrip'
  'HKEY_DYN_DATA\RegRoundTrip')
dumpkeys=()
for k in "${keys[@]}"; do dumpkeys+=(-k "$k"); done

files=$work/files
session=$work/session
rm -rf "$files"
mkdir -p "$files" || exit 1
# Set before the start: one interrupted half-way leaves Xvfb running too.
trap '"$root/scripts/wine-session" stop "$session" >/dev/null 2>&1' EXIT
"$root/scripts/wine-session" start "$session" >"$files/session.log" 2>&1 || {
  cat "$files/session.log"
  exit 1
}
# shellcheck disable=SC1091
. "$session/session.env"

winpath() { echo "Z:${1//\//\\}"; }

# Wine's regedit with its output kept out of our pipes.
regedit() {
  "$WINELOADER" regedit "$@" </dev/null >>"$files/regedit.log" 2>&1
}

# Empties the test keys, imports FILE, exports the keys to STAGE-*.reg.
through_wine() {
  local file=$1 stage=$2
  {
    printf 'REGEDIT4\r\n\r\n'
    for k in "${keys[@]}"; do printf '[-%s]\r\n\r\n' "$k"; done
  } >"$files/clear.reg"
  regedit /S "$(winpath "$files/clear.reg")" || return 1
  regedit /S "$(winpath "$file")" || return 1
  local i=0
  for k in "${keys[@]}"; do
    i=$((i + 1))
    regedit /E "$(winpath "$files/$stage-$i.reg")" "$k" || {
      echo "regedit /E $k failed" >&2
      return 1
    }
  done
}

fail() {
  echo "regedit round trip: FAILED: $*"
  [ -s "$files/regedit.log" ] && cat "$files/regedit.log"
  exit 1
}

"$regstore" dump "${dumpkeys[@]}" "$fixture" >"$files/expected.txt" || fail "the fixture does not load"
# What the fixture holds below the three keys: an empty or short dump would
# compare equal to an empty export and pass.
want_keys=15 want_values=24
nkeys=$(grep -c '^\[' "$files/expected.txt")
nvalues=$(grep -vc '^\[' "$files/expected.txt")
[ "$nkeys $nvalues" = "$want_keys $want_values" ] ||
  fail "the fixture dumps $nkeys keys and $nvalues values, not $want_keys and $want_values"
"$regstore" save "$fixture" "$files/store1.reg" || fail "the store cannot save"
through_wine "$files/store1.reg" wine1 || fail "Wine's regedit (first pass)"
head -c 2 "$files/wine1-1.reg" | od -An -tx1 | grep -q 'ff fe' ||
  fail "Wine's export is not the UTF-16 version 5 format this test expects"
"$regstore" dump "${dumpkeys[@]}" "$files"/wine1-*.reg >"$files/got1.txt" ||
  fail "Wine's export does not load"
diff -u "$files/expected.txt" "$files/got1.txt" || fail "store -> Wine -> store differs"

"$regstore" save "$files"/wine1-*.reg "$files/store2.reg" || fail "the store cannot save"
through_wine "$files/store2.reg" wine2 || fail "Wine's regedit (second pass)"
"$regstore" dump "${dumpkeys[@]}" "$files"/wine2-*.reg >"$files/got2.txt" ||
  fail "Wine's second export does not load"
diff -u "$files/expected.txt" "$files/got2.txt" || fail "Wine -> store -> Wine differs"

echo "regedit round trip: $nkeys keys, $nvalues values the same after both passes"

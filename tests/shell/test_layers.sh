#!/usr/bin/env bash
# scripts/layers catches what it is there to catch: a copy of the tree passes,
# and each throwaway include below, added to the copy alone, makes it fail
# with the line that names the fault.
#
#   tests/shell/test_layers.sh [ROOT]
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
layers=$root/scripts/layers
copy=$(mktemp -d "${TMPDIR:-/tmp}/layers-test.XXXXXX") || exit 1
trap 'rm -rf "$copy"' EXIT

# Only the sources: the check reads nothing else.
(cd "$root" && find util comm win terminal app res -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
    tar -c --null -T - -f -) | tar -x -C "$copy" -f - \
    || { echo "FAIL cannot copy the tree"; exit 1; }

failures=0
if ! out=$(bash "$layers" "$copy" 2>&1); then
    echo "FAIL the untouched copy does not pass:"; echo "$out"; exit 1
fi

# file | line added at its end | what the report must say
cases=(
    'terminal/receive/HexDump.cpp|#include "terminal/mainClient.h"|terminal/receive/HexDump.cpp:'
    'terminal/settings/Settings.cpp|#include "terminal/transfer/FileTransfer.h"|includes terminal/transfer/'
    'terminal/settings/Settings.h|#include "terminal/receive/HexDump.h"|includes terminal/receive/'
    'terminal/ui/Tooltips.cpp|#include "terminal/port/PortControl.h"|includes terminal/port/'
    'terminal/extra/Stray.h|#include "win/PWin.h"|terminal/extra/: a room with no place'
    'util/PVect.h|#include "terminal/find/TextSearch.h"|util/PVect.h:'
    'terminal/receive/HexDump.h|#include "terminal/receive/HexTail.h"|HexDump and HexTail include each other'
)
for entry in "${cases[@]}"; do
    IFS='|' read -r file line expect <<<"$entry"
    mkdir -p "$copy/$(dirname "$file")"
    [ -f "$copy/$file" ] && cp "$copy/$file" "$copy/$file.orig"
    echo "$line" >>"$copy/$file"
    if out=$(bash "$layers" "$copy" 2>&1); then
        echo "FAIL $file with $line passes the check"; failures=$((failures + 1))
    elif ! grep -qF -- "$expect" <<<"$out"; then
        echo "FAIL $file with $line: the report does not say \"$expect\":"; echo "$out"
        failures=$((failures + 1))
    fi
    if [ -f "$copy/$file.orig" ]; then mv "$copy/$file.orig" "$copy/$file"; else rm -f "$copy/$file"; rmdir "$copy/$(dirname "$file")" 2>/dev/null; fi
done

if ! out=$(bash "$layers" "$copy" 2>&1); then
    echo "FAIL the copy does not pass again once restored:"; echo "$out"; failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "ok: ${#cases[@]} throwaway includes caught"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# The floor check: this tree passes, and each planted include that breaks
# the floors is caught with its reason, while allowed ones pass.
set -u
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CHECK=("python3" "$ROOT/tools/floors/check_floors.py")
failures=0
fail() { printf 'FAIL: %s\n' "$*"; failures=$((failures + 1)); }

if ! out=$("${CHECK[@]}" "$ROOT" 2>&1); then
    fail "the tree itself:"; printf '%s\n' "$out"
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# file, included path, expected exit code, expected reason (empty: none)
cases=(
    "disk/core/x.cpp|mainwindow/core/norvale_dialog.h|1|another room of its own floor"
    "iscsi/core/targets/x.h|disk/core/disk_management_host.h|1|another room of its own floor"
    "mainwindow/core/lan/x.cpp|iscsi/core/initiator_teardown.h|1|another room of its own floor"
    "platform/core/x.h|controls/core/ok_box.h|1|a higher floor"
    "protocol/core/x.h|controls/core/dialog_surface_port.h|1|another room of its own floor"
    "mainwindow/win32/x.cpp|app/core/norvale_app.h|1|a higher floor"
    "controls/core/x.h|disk/core/disk_texts.h|1|a higher floor"
    "iscsi/core/x.cpp|platform/core/texts/norvale_texts.h|0|"
    "app/core/x.cpp|disk/core/disk_management_host.h|0|"
    "resources/x.rc|platform/core/texts/norvale_texts.h|0|"
    "tests/x.cpp|app/core/norvale_app.h|0|"
    "tools/x.cpp|mainwindow/core/norvale_dialog.h|0|"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r file included code reason <<<"$entry"
    rm -rf "$tmp/tree"
    mkdir -p "$tmp/tree/$(dirname "$file")"
    printf '// planted\n#include "%s"\n' "$included" >"$tmp/tree/$file"
    out=$("${CHECK[@]}" "$tmp/tree" 2>&1)
    rc=$?
    [ "$rc" -eq "$code" ] || fail "$file including $included: exit $rc, expected $code"
    if [ -n "$reason" ] && ! grep -qF "$file:2: " <<<"$out"; then
        fail "$file including $included: the line is not named"
    fi
    if [ -n "$reason" ] && ! grep -qF "$reason" <<<"$out"; then
        fail "$file including $included: no \"$reason\""
    fi
done

# A commented-out include is no arrow.
rm -rf "$tmp/tree"; mkdir -p "$tmp/tree/disk"
printf '// #include "app/core/norvale_app.h"\n' >"$tmp/tree/disk/x.h"
"${CHECK[@]}" "$tmp/tree" >/dev/null 2>&1 || fail "a commented-out include counted"

if [ "$failures" -eq 0 ]; then
    echo "DETAIL: the tree keeps its floors; ${#cases[@]} planted includes judged right"
    exit 0
fi
exit 1

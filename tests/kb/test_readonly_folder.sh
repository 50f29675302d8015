#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# A knowledge base in a folder the user may only read (a shared or installed one) can still be
# read: entries are counted and looked up; writing is refused, not half done.
# Needs root to hand the file to another user; skipped (77) otherwise.
set -euo pipefail
kb_tool=$1
[ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null || exit 77

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir "$work/shared"
printf '言葉\t意味\tリンク\nどんぐり\t木の実\t\n' > "$work/words.tsv"
"$kb_tool" import "$work/words.tsv" --db "$work/shared/kb.mdb" > /dev/null
chmod 555 "$work/shared"
chmod 444 "$work/shared/kb.mdb"
before=$(sha256sum "$work/shared/kb.mdb")

as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
as_nobody "$kb_tool" stats --db "$work/shared/kb.mdb" > "$work/stats.log" 2>&1 \
    || { echo "reading failed:"; cat "$work/stats.log"; exit 1; }
grep -q '1' "$work/stats.log" || { echo "unexpected stats:"; cat "$work/stats.log"; exit 1; }
if as_nobody "$kb_tool" import "$work/words.tsv" --db "$work/shared/kb.mdb" > "$work/import.log" 2>&1; then
    echo "an import into a read-only knowledge base claimed success"; cat "$work/import.log"; exit 1
fi
[ "$(sha256sum "$work/shared/kb.mdb")" = "$before" ] || { echo "the file changed"; exit 1; }
echo "1 passed, 0 failed"

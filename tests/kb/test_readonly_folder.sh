#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# A knowledge base in a folder the user may only read (a shared or installed one) can still be
# read: entries are counted and looked up; writing is refused, not half done. A read-only file
# in a folder the user may write is refused as well, before SQLite leaves its -wal and -shm
# files beside it.
# Needs root to hand the file to another user; skipped (77) otherwise. The checkout may lie in a
# folder the other user cannot enter, so the command is copied to a folder under /tmp first.
set -euo pipefail
[ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null || exit 77

work=$(mktemp -d /tmp/donguri-readonly.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
install -m 755 "$1" "$work/donguri-kb"
kb_tool=$work/donguri-kb
cd "$work"
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
grep -q 'kb.mdb: .*read-only; nothing was added' "$work/import.log" \
    || { echo "not reported as read-only:"; cat "$work/import.log"; exit 1; }

mkdir "$work/open"
"$kb_tool" import "$work/words.tsv" --db "$work/open/kb.mdb" > /dev/null
chmod 777 "$work/open"
chmod 444 "$work/open/kb.mdb"
before=$(sha256sum "$work/open/kb.mdb")
if as_nobody "$kb_tool" import "$work/words.tsv" --db "$work/open/kb.mdb" > "$work/file.log" 2>&1; then
    echo "an import into a read-only file claimed success"; cat "$work/file.log"; exit 1
fi
grep -q 'kb.mdb: the file is read-only; nothing was added' "$work/file.log" \
    || { echo "not reported as read-only:"; cat "$work/file.log"; exit 1; }
[ "$(sha256sum "$work/open/kb.mdb")" = "$before" ] || { echo "the file changed"; exit 1; }
as_nobody "$kb_tool" stats --db "$work/open/kb.mdb" > "$work/stats.log" 2>&1 \
    || { echo "reading a read-only file failed:"; cat "$work/stats.log"; exit 1; }
as_nobody "$kb_tool" export - --db "$work/open/kb.mdb" > "$work/export.log" 2>&1 \
    || { echo "exporting a read-only file failed:"; cat "$work/export.log"; exit 1; }
grep -q 'どんぐり' "$work/export.log" || { echo "unexpected export:"; cat "$work/export.log"; exit 1; }
left=$(ls "$work/open")
[ "$left" = "kb.mdb" ] || { echo "files left beside it: $left"; exit 1; }

# A file anyone may write, in a folder nobody else may: SQLite could not make its log there.
chmod 666 "$work/shared/kb.mdb"
if as_nobody "$kb_tool" import "$work/words.tsv" --db "$work/shared/kb.mdb" > "$work/folder.log" 2>&1; then
    echo "an import beside which no log can be made claimed success"; cat "$work/folder.log"; exit 1
fi
grep -q 'kb.mdb: its folder is read-only; nothing was added' "$work/folder.log" \
    || { echo "not reported as read-only:"; cat "$work/folder.log"; exit 1; }

# A backup reads the knowledge base in the read-only folder as it stands, and is refused in a
# folder the user may not write, leaving nothing there.
chmod 444 "$work/shared/kb.mdb"
mkdir -m 777 "$work/out"
as_nobody "$kb_tool" backup "$work/out/copy.mdb" --db "$work/shared/kb.mdb" > "$work/backup.log" 2>&1 \
    || { echo "backing up a read-only knowledge base failed:"; cat "$work/backup.log"; exit 1; }
[ "$(ls "$work/out")" = "copy.mdb" ] || { echo "files left beside the backup: $(ls "$work/out")"; exit 1; }
"$kb_tool" stats --db "$work/out/copy.mdb" | grep -q '^Entries: 1$' \
    || { echo "the backup does not hold the entry"; exit 1; }
listed=$(ls -a "$work/shared")
if as_nobody "$kb_tool" backup "$work/shared/copy.mdb" --db "$work/out/copy.mdb" > "$work/backup.log" 2>&1; then
    echo "a backup into a read-only folder claimed success"; cat "$work/backup.log"; exit 1
fi
grep -q 'cannot back up to .*copy.mdb: its folder is read-only' "$work/backup.log" \
    || { echo "not reported as read-only:"; cat "$work/backup.log"; exit 1; }
[ "$(ls -a "$work/shared")" = "$listed" ] || { echo "the backup left files in the read-only folder"; exit 1; }
echo "4 passed, 0 failed"

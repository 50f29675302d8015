#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built program into a temporary prefix and starts the installed copy offscreen:
# it must come up, and keep its settings and knowledge base in the user's data folder (the
# installed program folder is not its to write).
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" > "$work/install.log"
for f in bin/donguri bin/donguri-kb share/applications/org.donguri.Donguri.desktop \
         share/dbus-1/services/org.donguri.Donguri.service \
         share/metainfo/org.donguri.Donguri.metainfo.xml share/doc/donguri/COPYING \
         share/doc/donguri/copyright share/doc/donguri/changelog.Debian.gz \
         share/man/man1/donguri.1.gz share/man/man1/donguri-kb.1.gz \
         share/icons/hicolor/scalable/apps/org.donguri.Donguri.svg \
         share/icons/hicolor/48x48/apps/org.donguri.Donguri.png share/donguri/installed; do
    [ -e "$work/prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done

# What a software centre reads: the metadata together with the desktop entry and icons it names.
appstreamcli validate-tree --no-net --strict "$work/prefix" > "$work/appstream.log" 2>&1 \
    || { echo "appstreamcli validate-tree:"; cat "$work/appstream.log"; exit 1; }

export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config
# No session bus: a runtime folder of its own holds the socket that keeps one program per
# session.
export XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen TMPDIR=$work/tmp
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus
mkdir -p "$HOME" "$TMPDIR" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$work/prefix/bin/donguri" > "$work/run.log" 2>&1 &
program=$!
socket=$XDG_RUNTIME_DIR/org.donguri.Donguri
for _ in $(seq 100); do
    [ -S "$socket" ] || ! kill -0 "$program" 2> /dev/null && break
    sleep 0.1
done
kill -0 "$program" 2> /dev/null \
    || { echo "the installed program ended by itself:"; cat "$work/run.log"; exit 1; }
[ -S "$socket" ] || { echo "no socket in the runtime folder"; kill "$program"; exit 1; }
# The end of the session ends it cleanly: the socket goes, and the knowledge base is left whole
# with nothing beside it.
kill -TERM "$program"
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || { echo "ended with status $status:"; cat "$work/run.log"; exit 1; }
[ ! -e "$socket" ] || { echo "the socket was left behind"; exit 1; }
# The service file names the installed program.
service=$work/prefix/share/dbus-1/services/org.donguri.Donguri.service
grep -qx "Exec=$work/prefix/bin/donguri" "$service" \
    || { echo "the D-Bus service names another program:"; cat "$service"; exit 1; }

data=$XDG_DATA_HOME/donguri
[ -f "$data/donguri.ini" ] || { echo "no settings file in $data"; exit 1; }
[ -f "$data/どんぐりくん.mdb" ] || { echo "no knowledge base in $data"; exit 1; }
for beside in -wal -shm; do
    [ ! -e "$data/どんぐりくん.mdb$beside" ] || { echo "どんぐりくん.mdb$beside left behind"; exit 1; }
done
printf '%s\r\n' "$data/どんぐりくん.mdb" | cmp -s - "$data/donguri.ini" \
    || { echo "unexpected settings file:"; od -c "$data/donguri.ini"; exit 1; }
# donguri-kb finds the same knowledge base by itself.
"$work/prefix/bin/donguri-kb" stats > "$work/stats.log" \
    || { echo "donguri-kb stats failed:"; cat "$work/stats.log"; exit 1; }
grep -q "$data/どんぐりくん.mdb" "$work/stats.log" \
    || { echo "donguri-kb looked elsewhere:"; cat "$work/stats.log"; exit 1; }
# Nothing else there: no files the program wrote, nor the donguri.ini a build folder may hold.
if [ "$(ls "$work/prefix/bin")" != "$(printf 'donguri\ndonguri-kb')" ]; then
    echo "files other than the programs in the program folder:"; ls "$work/prefix/bin"; exit 1
fi
echo "1 passed, 0 failed"

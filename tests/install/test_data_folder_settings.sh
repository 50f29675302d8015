#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# cmake/DataFolderSettings.cmake, which points a build folder's program at the user's data
# folder, run against fake build folders and data folders of its own (never the user's): a
# missing donguri.ini is written naming the data folder and donguri-kb (a copy in that build
# folder) then uses that knowledge base; a donguri.ini of the developer's own is left alone; a
# knowledge base beside the program is moved once, with a message; one that is open, or has one
# in the data folder beside it, stays where it is.
#   test_data_folder_settings.sh SCRIPT DONGURI_KB
set -euo pipefail
script=$1
donguri_kb=$2
work=$(mktemp -d)
sleeper=
other=
cleanup() {
    [ -z "$sleeper" ] || kill "$sleeper" 2> /dev/null || true
    rm -rf "$work" ${other:+"$other"}
}
trap cleanup EXIT
passed=0
kb_name=どんぐりくん.mdb

fail() {
    echo "$case: $*"
    [ ! -f "$case/out.log" ] || { echo "its output:"; cat "$case/out.log"; }
    exit 1
}

# A fake build folder ($bin) and a home and data folder of its own for the next case.
new_case() {
    case=$work/$1
    bin=$case/build/bin
    mkdir -p "$bin" "$case/home"
    export HOME=$case/home XDG_DATA_HOME=$case/data
    data=$XDG_DATA_HOME/donguri
}

run_step() {
    timeout 20 cmake -DPROGRAM_DIR="${1:-$bin}" -P "$script" > "$case/out.log" 2>&1 \
        || fail "the script failed (status $?)"
}

# A knowledge base holding `word`, made by donguri-kb.
make_kb() {
    printf '言葉\t意味\tリンク\n%s\t意味\t\n' "$2" > "$case/words.tsv"
    "$donguri_kb" import "$case/words.tsv" --db "$1" > /dev/null
}

settings_naming() { printf '%s\r\n' "$1"; }
same_bytes() { cmp -s "$1" "$2"; }
said() { grep -q "$1" "$case/out.log"; }
said_nothing() { [ ! -s "$case/out.log" ] || fail "unexpected output"; }

new_case missing-settings
run_step
settings_naming "$data/$kb_name" | same_bytes - "$bin/donguri.ini" \
    || fail "donguri.ini does not name the data folder: $(od -c "$bin/donguri.ini")"
[ -d "$data" ] || fail "no data folder made"
said "names $data/$kb_name" || fail "no message"
# The program's own reading of it: donguri-kb beside it lands in the data folder.
cp "$donguri_kb" "$bin/"
printf '言葉\t意味\tリンク\nどんぐり\t木の実\t\n' > "$case/words.tsv"
"$bin/donguri-kb" import "$case/words.tsv" > /dev/null || fail "donguri-kb import failed"
"$bin/donguri-kb" stats > "$case/stats.log" || fail "donguri-kb stats failed"
grep -q "$data/$kb_name" "$case/stats.log" || fail "donguri-kb looked elsewhere: $(cat "$case/stats.log")"
[ ! -e "$bin/$kb_name" ] || fail "a knowledge base was made in the build folder"
cp "$bin/donguri.ini" "$case/before.ini"
run_step
same_bytes "$case/before.ini" "$bin/donguri.ini" || fail "donguri.ini was written again"
said_nothing
passed=$((passed + 1))

new_case settings-of-ones-own
make_kb "$bin/$kb_name" どんぐり
cp "$bin/$kb_name" "$case/kb.before"
for settings in "$(settings_naming /elsewhere/kb.mdb)" "$(settings_naming 'postgresql://kb.example.lan/donguri')" ""; do
    printf '%s' "$settings" > "$bin/donguri.ini"
    run_step
    [ "$(cat "$bin/donguri.ini")" = "$settings" ] || fail "donguri.ini '$settings' was changed"
    said_nothing
done
rm "$bin/donguri.ini" && mkfifo "$bin/donguri.ini"
run_step # a FIFO is read by nobody
[ -p "$bin/donguri.ini" ] || fail "the FIFO was replaced"
rm "$bin/donguri.ini" && ln -s "$case/nowhere.ini" "$bin/donguri.ini"
run_step
[ -L "$bin/donguri.ini" ] && [ ! -e "$case/nowhere.ini" ] || fail "the dangling link was followed"
same_bytes "$case/kb.before" "$bin/$kb_name" || fail "the knowledge base was moved or changed"
[ ! -e "$data/$kb_name" ] || fail "a knowledge base appeared in the data folder"
passed=$((passed + 1))

# As a first start there leaves it: donguri.ini naming the knowledge base beside the program,
# reached through a link to the build folder; and without a donguri.ini at all.
for settings in first-start none; do
    new_case "moved-once-$settings"
    make_kb "$bin/$kb_name" どんぐり
    cp "$bin/$kb_name" "$case/kb.before"
    [ "$settings" = none ] || settings_naming "$bin/$kb_name" > "$bin/donguri.ini"
    ln -s "$case/build" "$case/linked-build"
    run_step "$case/linked-build/bin"
    said "moved out of the build folder, from $bin/$kb_name to $data/$kb_name" || fail "no message"
    same_bytes "$case/kb.before" "$data/$kb_name" || fail "the moved knowledge base differs"
    [ ! -e "$bin/$kb_name" ] || fail "the knowledge base is still in the build folder"
    settings_naming "$data/$kb_name" | same_bytes - "$bin/donguri.ini" || fail "donguri.ini not rewritten"
    run_step
    said_nothing
    same_bytes "$case/kb.before" "$data/$kb_name" || fail "the second run changed it"
    cp "$donguri_kb" "$bin/"
    "$bin/donguri-kb" export - > "$case/export.tsv" || fail "donguri-kb export failed"
    grep -q どんぐり "$case/export.tsv" || fail "donguri-kb does not find the moved words"
    passed=$((passed + 1))
done

for settings in first-start none; do
    new_case "both-$settings"
    make_kb "$bin/$kb_name" どんぐり
    mkdir -p "$data" && make_kb "$data/$kb_name" くり
    cp "$bin/$kb_name" "$case/program-kb.before" && cp "$data/$kb_name" "$case/data-kb.before"
    [ "$settings" = none ] || settings_naming "$bin/$kb_name" > "$bin/donguri.ini"
    run_step
    said "both exist" || fail "no message about both"
    same_bytes "$case/program-kb.before" "$bin/$kb_name" || fail "the build folder's one changed"
    same_bytes "$case/data-kb.before" "$data/$kb_name" || fail "the data folder's one changed"
    if [ "$settings" = none ]; then
        [ ! -e "$bin/donguri.ini" ] || fail "donguri.ini was written"
    else
        settings_naming "$bin/$kb_name" | same_bytes - "$bin/donguri.ini" || fail "donguri.ini changed"
    fi
    passed=$((passed + 1))
done

# A log in the data folder without its knowledge base: nothing is put beside it either.
new_case stray-log-in-the-data-folder
make_kb "$bin/$kb_name" どんぐり
mkdir -p "$data" && printf 'log' > "$data/$kb_name-wal"
run_step
said "both exist" || fail "no message"
[ -e "$bin/$kb_name" ] && [ ! -e "$data/$kb_name" ] || fail "the knowledge base was moved"
passed=$((passed + 1))

for log in -wal -shm -journal; do
    new_case "log$log"
    make_kb "$bin/$kb_name" どんぐり
    printf 'not yet in the file' > "$bin/$kb_name$log"
    run_step
    said "its log lies beside it" || fail "no message about the log"
    [ -e "$bin/$kb_name" ] && [ -e "$bin/$kb_name$log" ] || fail "the file or its log was moved"
    [ ! -e "$data/$kb_name" ] && [ ! -e "$data/$kb_name$log" ] || fail "something reached the data folder"
    [ ! -e "$bin/donguri.ini" ] || fail "donguri.ini names a knowledge base without the words"
    passed=$((passed + 1))
done

new_case running
make_kb "$bin/$kb_name" どんぐり
cp "$(command -v sleep)" "$bin/donguri"
"$bin/donguri" 60 &
sleeper=$!
run_step
said "while a program of $bin runs (process $sleeper)" || fail "no message about the running program"
[ -e "$bin/$kb_name" ] && [ ! -e "$data/$kb_name" ] || fail "the knowledge base was moved"
kill "$sleeper" && wait "$sleeper" 2> /dev/null || true
sleeper=
run_step
[ -e "$data/$kb_name" ] && [ ! -e "$bin/$kb_name" ] || fail "not moved once the program ended"
passed=$((passed + 1))

# The data folder as Qt finds it without XDG_DATA_HOME, or with a relative one.
for xdg in unset relative; do
    new_case "xdg-$xdg"
    if [ "$xdg" = unset ]; then unset XDG_DATA_HOME; else export XDG_DATA_HOME=relative/data; fi
    run_step
    settings_naming "$HOME/.local/share/donguri/$kb_name" | same_bytes - "$bin/donguri.ini" \
        || fail "donguri.ini does not name ~/.local/share/donguri: $(cat "$bin/donguri.ini")"
    passed=$((passed + 1))
done

# Onto another file system, where a rename cannot go: copied, checked, then removed.
other=$(mktemp -d /dev/shm/donguri-data.XXXXXX 2> /dev/null || true)
if [ -n "$other" ] && [ "$(stat -c %d "$other")" != "$(stat -c %d "$work")" ]; then
    new_case other-file-system
    export XDG_DATA_HOME=$other
    data=$other/donguri
    make_kb "$bin/$kb_name" どんぐり
    cp "$bin/$kb_name" "$case/kb.before"
    run_step
    same_bytes "$case/kb.before" "$data/$kb_name" || fail "the copy differs"
    [ ! -e "$bin/$kb_name" ] && [ ! -e "$data/$kb_name.part" ] || fail "files left behind"
    passed=$((passed + 1))
fi

echo "$passed passed, 0 failed"

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Asking the installed program from outside, on an X display and a session bus of the test's
# own: `gapplication action … ask` starts the program that is not yet running and it answers;
# then the running program answers `ask-selection` and Super+F1 about text another program
# (xclip) holds. Each answer here opens the entry's document, whose window the test looks for.
#   test_desktop_ask.sh BUILD_DIR
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

source "$(dirname "$0")/../support/installed_copy.sh"

# Waits until a window titled exactly $1 is on the display.
window_appears() {
    timeout 30 xdotool search --sync --name "^$1\$" > /dev/null \
        || { echo "no window named $1"; exit 1; }
}

select_text() {
    [ -z "${XCLIP:-}" ] || { kill "$XCLIP" 2> /dev/null || true; wait "$XCLIP" 2> /dev/null || true; }
    printf "$1" | xclip -quiet -selection primary -i &
    XCLIP=$!
    for _ in $(seq 50); do
        [ "$(xclip -o -selection primary 2> /dev/null)" = "$(printf "$1")" ] && return 0
        sleep 0.1
    done
    echo "xclip did not take the selection"; exit 1
}

inside() {
    [ -z "$(installed_programs)" ] || { echo "the program already runs"; exit 1; }
    # Not running: the bus starts the program for the action, and it answers.
    gapplication action org.donguri.Donguri ask "'どんぐり'"
    window_appears donguri.html
    [ -n "$(installed_programs)" ] || { echo "the program did not start"; exit 1; }

    # Running: the selection of another program, first line, blanks around it removed.
    select_text '\n  くり \t\r\nどんぐり\n'
    gapplication action org.donguri.Donguri ask-selection
    window_appears kuri.html

    # The key, while another program's window has the focus.
    select_text 'かき'
    xdotool key super+F1
    window_appears kaki.html
    [ "$(installed_programs | wc -l)" -eq 1 ] || { echo "more than one program runs"; exit 1; }
    kill "$XCLIP"
}

if [ "${1:-}" = --inside ]; then
    inside
    exit 0
fi

install_copy "$1"
# The system folders too: the file types (shared-mime-info) tell a document from a program.
export PATH=$WORK/prefix/bin:$PATH XDG_DATA_DIRS=$WORK/prefix/share:/usr/share
export XDG_RUNTIME_DIR=$WORK/runtime LANG=C.UTF-8 LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_DATA_HOME/donguri" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# Three words, each with a document of its own.
for name in donguri kuri kaki; do echo "<html><body>$name</body></html>" > "$WORK/$name.html"; done
printf '言葉\t意味\tリンク\nどんぐり\t木の実\t%s\nくり\t栗\t%s\nかき\t柿\t%s\n' \
    "$WORK/donguri.html" "$WORK/kuri.html" "$WORK/kaki.html" > "$WORK/entries.tsv"
"$WORK/prefix/bin/donguri-kb" import "$WORK/entries.tsv" > "$WORK/import.log" \
    || { cat "$WORK/import.log"; exit 1; }

# The program the bus starts writes to the bus's output, which must not hold up the test.
"$here/../support/with_xvfb.sh" dbus-run-session -- "$0" --inside > "$WORK/bus.log" 2>&1 \
    || { cat "$WORK/bus.log"; exit 1; }
echo "1 passed, 0 failed"

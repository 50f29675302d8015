#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop's way of starting the installed program, on a session bus of the test's own:
# gapplication reads the desktop entry (DBusActivatable), calls org.freedesktop.Application
# Activate on org.donguri.Donguri, and the bus starts the program from its service file. A
# second start then only hands over to it and ends.
#   test_dbus_activation.sh BUILD_DIR
set -euo pipefail

source "$(dirname "$0")/../support/installed_copy.sh"

bus_call() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method "org.freedesktop.DBus.$1" "${@:2}"
}
owner_pid() {
    bus_call GetConnectionUnixProcessID org.donguri.Donguri 2> /dev/null \
        | sed -n 's/.*uint32 \([0-9]*\).*/\1/p'
}

inside_the_bus() {
    gapplication list-apps | grep -qx org.donguri.Donguri \
        || { echo "the desktop entry is not D-Bus activatable"; exit 1; }
    gapplication launch org.donguri.Donguri
    local pid=""
    for _ in $(seq 300); do
        pid=$(owner_pid)
        [ -n "$pid" ] && break
        sleep 0.1
    done
    [ -n "$pid" ] || { echo "nobody owns org.donguri.Donguri after gapplication launch"; exit 1; }
    [ "$(installed_programs)" = "$pid" ] \
        || { echo "org.donguri.Donguri is not the installed program: $(readlink "/proc/$pid/exe")"; exit 1; }

    # The desktop may call it up again at any time.
    [ "$(gdbus call --session --dest org.donguri.Donguri --object-path /org/donguri/Donguri \
        --method org.freedesktop.Application.Activate '{}')" = "()" ] \
        || { echo "Activate was not answered"; exit 1; }

    # A second start hands over and ends; the first keeps the name.
    local status=0
    timeout 20 "$WORK/prefix/bin/donguri" > "$WORK/second.log" 2>&1 || status=$?
    [ "$status" -eq 0 ] || { echo "the second start ended with $status:"; cat "$WORK/second.log"; exit 1; }
    [ "$(owner_pid)" = "$pid" ] || { echo "the running program lost its name"; exit 1; }
    # With a bus there is no socket.
    [ ! -e "$XDG_RUNTIME_DIR/org.donguri.Donguri" ] || { echo "a socket beside the bus"; exit 1; }
}

if [ "${1:-}" = --inside-the-bus ]; then
    inside_the_bus
    exit 0
fi

install_copy "$1"
# As on a desktop the program is on the PATH (GLib passes over desktop entries whose program is
# not).
export PATH=$WORK/prefix/bin:$PATH XDG_DATA_DIRS=$WORK/prefix/share
export XDG_RUNTIME_DIR=$WORK/runtime QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# The program the bus starts writes to the bus's output, which must not hold up the test.
dbus-run-session -- "$0" --inside-the-bus > "$WORK/bus.log" 2>&1 \
    || { cat "$WORK/bus.log"; exit 1; }
echo "1 passed, 0 failed"

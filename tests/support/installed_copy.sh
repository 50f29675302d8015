# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the tests that run the installed program: a copy installed from BUILD_DIR into a
# temporary folder ($WORK/prefix) with a home of its own, and every copy of it still running
# stopped when the test ends.

# Every copy of the installed program still running, by process id.
installed_programs() {
    local p
    for p in $(pgrep -x donguri || true); do
        [ "$(readlink "/proc/$p/exe" 2> /dev/null)" = "$WORK/prefix/bin/donguri" ] && echo "$p"
    done
    return 0
}

# install_copy BUILD_DIR
install_copy() {
    export WORK
    WORK=$(mktemp -d)
    trap remove_copy EXIT
    cmake --install "$1" --prefix "$WORK/prefix" > "$WORK/install.log"
    export HOME=$WORK/home XDG_DATA_HOME=$WORK/home/.local/share XDG_CONFIG_HOME=$WORK/home/.config
}

remove_copy() {
    local p
    for p in $(installed_programs); do kill "$p" 2> /dev/null || true; done
    rm -rf "$WORK"
}

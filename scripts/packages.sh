# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by scripts/setup, scripts/fuzz, scripts/package and the check scripts: the Debian
# packages the build, the tests and the checks need, and a function that installs whichever of
# them are missing.

# libpq-dev is PostgreSQL's client library; postgresql is the server the tests start privately,
# pgbouncer the connection pool they put in front of it.
build_packages=(cmake make g++ pkg-config dpkg-dev qt6-base-dev qt6-svg-dev libxcb1-dev libsqlite3-dev
                libpq-dev postgresql pgbouncer fonts-noto-cjk espeak-ng kakasi xvfb xauth imagemagick
                # Qt's own texts in Japanese (also needed by the installed program)
                qt6-translations-l10n
                # the tests: the desktop's view of the windows (xprop), a private session bus
                # (dbus-run-session) and a desktop's way of starting the program (gapplication),
                # and the checks of the desktop entry and the AppStream metadata
                x11-utils dbus-daemon dbus-session-bus-common libglib2.0-bin desktop-file-utils
                appstream
                # the bus libdbus would start through the X display (dbus-launch), which the
                # program must keep from starting when the session has no bus
                dbus-x11
                # another program's selection (xclip) and a key pressed in another program
                # (xdotool), for asking from anywhere on the desktop
                xclip xdotool
                # the benchmark's keyboard (the X server's test extension)
                libxcb-xtest0-dev
                # the slow or silent network between the tests and their server (delay_proxy.py)
                python3)

# What scripts/package needs beside the build: Debian's package checker.
package_packages=(lintian)

# What scripts/check-static runs over src/.
static_packages=(clang-tidy clazy python3)

# What the layout checks (scripts/check-format, scripts/check-layers) need.
check_packages=(clang-format python3)

install_missing_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo_cmd=()
        [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
        "${sudo_cmd[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program as user nobody, for tests about permissions, which mean nothing to root.
# Needs root to switch users; skipped (77) otherwise, when the plain run covers those cases.
# The checkout may lie in a folder nobody cannot enter (a home folder of mode 700), so the
# program is copied into a folder under /tmp that nobody can reach, and runs from there.
set -euo pipefail
[ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null || exit 77
program=$1
shift

work=$(mktemp -d /tmp/donguri-as-user.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
install -m 755 "$program" "$work/"
runtime=$work/runtime
mkdir "$runtime"
chown 65534:65534 "$runtime"
chmod 700 "$runtime"
cd "$work"
setpriv --reuid=65534 --regid=65534 --clear-groups \
    env HOME="$runtime" XDG_RUNTIME_DIR="$runtime" TMPDIR="$runtime" \
    "$work/$(basename "$program")" "$@"

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program as user nobody, for tests about permissions, which mean nothing to root.
# Needs root to switch users; skipped (77) otherwise, when the plain run covers those cases.
set -euo pipefail
[ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null || exit 77

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chown 65534:65534 "$runtime"
chmod 700 "$runtime"
setpriv --reuid=65534 --regid=65534 --clear-groups \
    env HOME="$runtime" XDG_RUNTIME_DIR="$runtime" TMPDIR="$runtime" "$@"

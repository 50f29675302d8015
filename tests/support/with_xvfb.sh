#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on an X server of its own (Xvfb, 1280×800): for tests that look at windows as
# the desktop receives them. Xvfb picks a free display itself, so tests may run side by side.
set -euo pipefail
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2> /dev/null; wait "$xvfb" 2> /dev/null; rm -rf "$work"' EXIT
until [ -s "$work/display" ]; do
    kill -0 "$xvfb" 2> /dev/null || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
    sleep 0.1
done
export DISPLAY=:$(head -n 1 "$work/display") QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit "$status"

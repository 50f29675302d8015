#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Offline, appstreamcli cannot see that an address in the metadata leads nowhere; one on a
# reserved host (example, invalid, test, localhost) always does, and a software centre would show
# it broken. Fails naming every such line of the files given.
set -euo pipefail
end='([:/<"]|$)'
reserved="://[^/<\"]*\\.(example|invalid|test|localhost)$end|://(localhost|([^/<\"]*\\.)?example\\.(com|net|org))$end"
if grep -nHE "$reserved" "$@"; then
    echo "addresses on reserved hosts, which lead nowhere"
    exit 1
fi
echo "1 passed, 0 failed"

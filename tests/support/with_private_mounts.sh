#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program in a mount namespace of its own, where it may mount small file systems (a
# disk that is full) that nothing else on the machine sees and that go away with it. Only root
# may make one; skipped (77) otherwise.
set -euo pipefail
[ "$(id -u)" -eq 0 ] && command -v unshare > /dev/null || exit 77
unshare --mount --propagation private true 2> /dev/null || exit 77
exec unshare --mount --propagation private env DONGURI_TEST_PRIVATE_MOUNTS=1 "$@"

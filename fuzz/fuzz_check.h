// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>

namespace donguri::fuzz {

// Stops at the first property that does not hold: libFuzzer keeps the input that did it, and a
// replay of the saved corpus fails.
inline void expect(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

} // namespace donguri::fuzz

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "random_source.h"

#include <algorithm>
#include <cmath>

namespace donguri {

int drawRow(RandomSource &random, int rows)
{
    const int row = int(std::floor(rows * random.next())) + 1;
    return std::clamp(row, 1, rows); // guards a source that strays to 1.0
}

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <random>

namespace donguri {

// One uniform source in [0, 1) for the whole run.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual void seed(quint64 value) = 0;
    virtual double next() = 0;
};

class SystemRandom final : public RandomSource
{
public:
    void seed(quint64 value) override { m_engine.seed(value); }
    double next() override { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine); }

private:
    std::mt19937_64 m_engine;
};

// Picks one of rows 1 … n with equal chance: r = ⌊n·u⌋ + 1.
int drawRow(RandomSource &random, int rows);

} // namespace donguri

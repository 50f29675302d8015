// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace donguri::bench {

namespace {

struct Timed
{
    quint64 digest = 0;
    qint64 ns = 0;
};

Timed timed(const Side &side, int iteration)
{
    QElapsedTimer timer;
    timer.start();
    const quint64 digest = side(iteration);
    return {digest, timer.nsecsElapsed()};
}

struct Pair
{
    Timed program;
    Timed raw;
};

Pair runPair(const Side &program, const Side &raw, int iteration)
{
    Pair pair;
    if (iteration % 2 == 0) {
        pair.program = timed(program, iteration);
        pair.raw = timed(raw, iteration);
    } else {
        pair.raw = timed(raw, iteration);
        pair.program = timed(program, iteration);
    }
    if (pair.program.digest != pair.raw.digest)
        throw std::runtime_error("the program and raw SQLite gave different answers");
    return pair;
}

} // namespace

Summary summarize(QList<qint64> nanoseconds)
{
    return summarizeIn(std::move(nanoseconds), 1000.0);
}

Summary summarizeIn(QList<qint64> samples, double unit)
{
    if (samples.isEmpty())
        return {};
    std::sort(samples.begin(), samples.end());
    const qsizetype n = samples.size();
    const double median =
        n % 2 == 1 ? double(samples[n / 2]) : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    const auto rank = qsizetype(std::ceil(0.99 * double(n)));
    return {median / unit, double(samples[std::max<qsizetype>(rank, 1) - 1]) / unit};
}

Comparison compare(const Side &program, const Side &raw, const Budget &budget)
{
    QElapsedTimer spent;
    spent.start();
    int iteration = 0;
    // Warm-up fills the page cache and SQLite's own cache; a slow operation gets one round.
    while (iteration < budget.warmupPairs
           && (iteration == 0 || spent.nsecsElapsed() < budget.timeNs / 5))
        runPair(program, raw, iteration++);

    QList<qint64> programNs, rawNs;
    while (programNs.size() < budget.minSamples
           || (programNs.size() < budget.maxSamples && spent.nsecsElapsed() < budget.timeNs)) {
        const Pair pair = runPair(program, raw, iteration++);
        programNs.append(pair.program.ns);
        rawNs.append(pair.raw.ns);
    }
    return {summarize(programNs), summarize(rawNs), int(programNs.size())};
}

} // namespace donguri::bench

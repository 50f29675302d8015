// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QtGlobal>

#include <functional>

namespace donguri::bench {

// Timings are summarised in microseconds.
struct Summary
{
    double median = 0;
    double p99 = 0; // nearest rank; with fewer than 100 samples this is the slowest one
};

Summary summarize(QList<qint64> nanoseconds);
// The same for samples of any kind, reported in multiples of `unit`.
Summary summarizeIn(QList<qint64> samples, double unit);

// One side of a comparison: does the work for iteration `iteration` and returns a digest of the
// answer, so that both sides can be checked to have given the same one.
using Side = std::function<quint64(int iteration)>;

struct Budget
{
    int warmupPairs = 3;
    int minSamples = 5;
    int maxSamples = 5000;
    qint64 timeNs = 3'000'000'000; // per operation, both sides together, warm-up included
};

struct Comparison
{
    Summary program;
    Summary raw;
    int samples = 0;
};

// Times both sides alternately (which goes first switches every iteration) so that drift on
// this shared machine hits both alike. Throws when the two sides ever disagree.
Comparison compare(const Side &program, const Side &raw, const Budget &budget);

} // namespace donguri::bench

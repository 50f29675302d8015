// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timing.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace donguri::bench {

// Nanoseconds on the monotonic clock, comparable across processes of one machine.
qint64 monotonicNs();
// This process's resident memory now (VmRSS), in KiB.
qint64 residentKib();

// What a finished child process took.
struct ProcessRun
{
    qint64 ns = 0;         // from its start to its end
    qint64 peakRssKib = 0; // the most memory it held at any moment
    QByteArray output;     // what it wrote on standard output
};

// Runs `program` to its end with `arguments` and the environment plus `extraEnvironment`
// ("NAME=value" each). Throws when it cannot be started or exits with a failure.
ProcessRun runProcess(const QString &program, const QStringList &arguments,
                      const QStringList &extraEnvironment = {});

// One line of results, as every benchmark prints them:
//   BENCH <operation> <entries> <median> <p99> <baseline median> <ratio>
// with "-" for a baseline there is none of.
void printBench(const QString &operation, int entries, const Summary &measured,
                const std::optional<Summary> &baseline, int decimals = 0);

} // namespace donguri::bench

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

namespace donguri::bench {

struct BenchOptions
{
    QList<int> sizes;       // numbers of entries, one knowledge base each
    QString dataDirectory;  // where the generated knowledge bases are kept
    qint64 budgetMs = 0;    // time per operation and size, both sides together
    bool showPlans = false; // print the raw queries' plans as well
};

// Reads the command line; prints usage and exits on --help or a malformed argument.
BenchOptions parseOptions(const QStringList &arguments);

} // namespace donguri::bench

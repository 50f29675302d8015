// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench_options.h"

#include <QCommandLineParser>

namespace donguri::bench {

using namespace Qt::StringLiterals;

namespace {

const QList<int> DefaultSizes = {10'000, 100'000, 1'000'000};
constexpr qint64 DefaultBudgetMs = 3000;

int positiveNumber(QCommandLineParser &parser, const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value <= 0)
        parser.showHelp(1);
    return value;
}

} // namespace

BenchOptions parseOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Times the knowledge base against hand-written SQLite queries on generated files."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(
        u"entries"_s, u"Knowledge-base sizes to measure (default 10000 100000 1000000)."_s,
        u"[entries...]"_s);
    const QCommandLineOption dataDir(u"data-dir"_s, u"Directory for the generated files."_s,
                                     u"dir"_s, u"."_s);
    const QCommandLineOption budget(u"budget-ms"_s, u"Time for each operation and size."_s, u"ms"_s,
                                    QString::number(DefaultBudgetMs));
    const QCommandLineOption plans(u"plans"_s, u"Print EXPLAIN QUERY PLAN of the raw queries."_s);
    parser.addOptions({dataDir, budget, plans});
    parser.process(arguments);

    BenchOptions options;
    for (const QString &size : parser.positionalArguments())
        options.sizes.append(positiveNumber(parser, size));
    if (options.sizes.isEmpty())
        options.sizes = DefaultSizes;
    options.dataDirectory = parser.value(dataDir);
    options.budgetMs = positiveNumber(parser, parser.value(budget));
    options.showPlans = parser.isSet(plans);
    return options;
}

} // namespace donguri::bench

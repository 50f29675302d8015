// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri_kb_bench: times the knowledge base's questions and writes against the same questions
// asked of SQLite by hand, on generated files of several sizes. Run it through scripts/bench.
//
// Output, one line per operation and size:
//   BENCH <operation> <entries> <median_us> <p99_us> <raw_median_us> <ratio>
// where ratio = median / raw median. Lines starting with # are informational.

#include "bench_options.h"
#include "kb/file_knowledge_base.h"
#include "kb_file.h"
#include "kb_operations.h"
#include "raw_sqlite.h"
#include "timing.h"

#include <QCoreApplication>
#include <QTextStream>

#include <exception>

using namespace donguri;
using namespace donguri::bench;
using namespace Qt::StringLiterals;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

void report(const Operation &operation, int entries, const Comparison &c)
{
    const double ratio = c.program.median / c.raw.median;
    out() << u"BENCH %1 %2 %3 %4 %5 %6"_s.arg(operation.name)
                 .arg(entries)
                 .arg(c.program.median, 0, 'f', 1)
                 .arg(c.program.p99, 0, 'f', 1)
                 .arg(c.raw.median, 0, 'f', 1)
                 .arg(ratio, 0, 'f', 2)
          << Qt::endl;
}

void showPlan(RawConnection &connection, const Operation &operation)
{
    out() << u"# plan %1: %2 -> %3"_s.arg(operation.name, QString::fromUtf8(operation.rawSql),
                                          queryPlan(connection, operation.rawSql))
          << Qt::endl;
}

// What each pattern finds in this file, to read the list timings against.
void showMatchCounts(KnowledgeBase &kb, int entries)
{
    QString line = u"# %1 entries, matches:"_s.arg(entries);
    for (const QString &pattern : {u"あい*"_s, u"10*"_s, u"*ん"_s, u"*ぐり*"_s, u"*"_s})
        line += u" %1 %2"_s.arg(pattern).arg(kb.countMatches(pattern));
    out() << line << Qt::endl;
}

void measureSize(const BenchOptions &options, int entries)
{
    const QString path = cachedKnowledgeBase(options.dataDirectory, entries);
    RawConnection connection(path);
    removeBenchmarkRows(connection, entries);
    FileKnowledgeBase kb(path);
    showMatchCounts(kb, entries);

    Budget budget;
    budget.timeNs = options.budgetMs * 1'000'000;
    QString samples = u"# samples:"_s;
    for (const Operation &operation : kbOperations(kb, connection, entries)) {
        if (options.showPlans)
            showPlan(connection, operation);
        const Comparison comparison = compare(operation.program, operation.raw, budget);
        operation.finish();
        report(operation, entries, comparison);
        samples += u" %1 %2"_s.arg(operation.name).arg(comparison.samples);
    }
    removeBenchmarkRows(connection, entries);
    out() << samples << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = parseOptions(app.arguments());
    try {
        for (int entries : options.sizes)
            measureSize(options, entries);
    } catch (const std::exception &error) {
        QTextStream(stderr) << "donguri_kb_bench: " << QString::fromUtf8(error.what()) << Qt::endl;
        return 1;
    }
    return 0;
}

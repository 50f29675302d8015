// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/knowledge_base.h"
#include "kb/open_knowledge_base.h"
#include "support/pg_cluster.h"
#include "writer_process.h"

#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

constexpr int WorkMs = 2500;
constexpr int OwnRows = 3;

// The last write each row got, by ID.
QHash<qint32, Acknowledged> lastWrites(const QList<Acknowledged> &writes)
{
    QHash<qint32, Acknowledged> last;
    for (const Acknowledged &write : writes)
        last[write.id] = write;
    return last;
}

// The most entries one writer added in a row, by ID, while the others added none.
qsizetype longestRun(const QList<QList<Acknowledged>> &writers)
{
    QList<std::pair<qint32, qsizetype>> ids;
    for (qsizetype w = 0; w < writers.size(); ++w)
        for (const Acknowledged &write : writers[w])
            ids.append({write.id, w});
    std::sort(ids.begin(), ids.end());
    qsizetype longest = 0;
    qsizetype run = 0;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        run = i > 0 && ids[i].second == ids[i - 1].second ? run + 1 : 1;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

// Programs teaching and correcting one knowledge base at once, each for a while: every entry
// one of them was told is stored must be there exactly once, as written, and the row they all
// correct must hold one of their last writes.
class TestKbConcurrency : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twoProgramsTeachAndCorrectOneFileAtOnce()
    {
        QTemporaryDir dir;
        teachAndCorrectAtOnce(dir.filePath(u"どんぐりくん.mdb"_s), {u"甲"_s, u"乙"_s});
    }

    // Four computers' programs on one server.
    void fourProgramsTeachAndCorrectOneServerAtOnce()
    {
        teachAndCorrectAtOnce(TestCluster::shared().newDatabase(),
                              {u"甲"_s, u"乙"_s, u"丙"_s, u"丁"_s});
    }

private:
    void teachAndCorrectAtOnce(const QString &location, const QStringList &tags);
};

void TestKbConcurrency::teachAndCorrectAtOnce(const QString &location, const QStringList &tags)
{
    const qsizetype count = tags.size();
    QList<QStringList> arguments(count);
    qint32 shared = 0;
    {
        const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(location);
        shared = kb->add(u"共有"_s, u"皆が直す"_s, {});
        for (qsizetype w = 0; w < count; ++w) {
            arguments[w] = {location, tags[w], u"correct"_s, QString::number(WorkMs),
                            QString::number(shared)};
            for (int row = 0; row < OwnRows; ++row)
                arguments[w] << QString::number(kb->add(u"直す前"_s, u"まだ"_s, {}));
        }
    }
    std::vector<std::unique_ptr<WriterProcess>> writers;
    for (qsizetype w = 0; w < count; ++w)
        writers.push_back(std::make_unique<WriterProcess>(arguments[w]));
    for (const auto &writer : writers)
        writer->writeLine("go");
    for (const auto &writer : writers)
        QVERIFY2(writer->finish(WorkMs + 20000), qPrintable(writer->problem()));

    // All wrote all along: none was shut out while another added most of all entries. (A
    // loaded machine may keep one writer off its processor for a good part of the run, so
    // only a run of three quarters of all entries counts as shutting the others out.)
    QList<QList<Acknowledged>> added;
    qsizetype total = 0;
    for (const auto &writer : writers) {
        added << writer->added;
        total += writer->added.size();
    }
    const qsizetype run = longestRun(added);
    QVERIFY2(run < total * 3 / 4,
             qPrintable(u"%1 of %2 entries in a row by one writer"_s.arg(run).arg(total)));

    const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(location);
    QCOMPARE(kb->integrityProblems(), QStringList());
    QStringList problems;
    QStringList sharedProblems;
    for (qsizetype w = 0; w < count; ++w) {
        QHash<qint32, Acknowledged> rows = lastWrites(writers[w]->updated);
        QCOMPARE(rows.size(), OwnRows + 1);
        const Acknowledged sharedLast = rows.take(shared);
        for (const Acknowledged &write : writers[w]->added + rows.values())
            if (const QString problem = entryProblem(*kb, tags[w], write); !problem.isEmpty())
                problems << problem;
        sharedProblems << entryProblem(*kb, tags[w], sharedLast);
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    QVERIFY2(sharedProblems.contains(QString()), qPrintable(sharedProblems.join(u'\n')));
    // Exactly once: every acknowledged entry is at its own ID, and there is nothing more.
    QCOMPARE(kb->countAll(), 1 + count * OwnRows + total);
}

QTEST_GUILESS_MAIN(TestKbConcurrency)
#include "test_kb_concurrency.moc"

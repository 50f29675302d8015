#include "kb/file_knowledge_base.h"
#include "writer_process.h"

#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
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

// The most entries one writer added in a row, by ID, while the other added none.
qsizetype longestRun(const QList<Acknowledged> &first, const QList<Acknowledged> &second)
{
    QList<std::pair<qint32, bool>> ids;
    for (const Acknowledged &write : first)
        ids.append({write.id, true});
    for (const Acknowledged &write : second)
        ids.append({write.id, false});
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

class TestKbConcurrency : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twoProgramsTeachAndCorrectAtOnce();
};

void TestKbConcurrency::twoProgramsTeachAndCorrectAtOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"どんぐりくん.mdb"_s);
    const std::array tags = {u"甲"_s, u"乙"_s};
    std::array<QStringList, 2> arguments;
    qint32 shared = 0;
    {
        FileKnowledgeBase kb(path);
        shared = kb.add(u"共有"_s, u"二人が直す"_s, {});
        for (int w = 0; w < 2; ++w) {
            arguments[w] = {path, tags[w], u"correct"_s, QString::number(WorkMs),
                            QString::number(shared)};
            for (int row = 0; row < OwnRows; ++row)
                arguments[w] << QString::number(kb.add(u"直す前"_s, u"まだ"_s, {}));
        }
    }
    std::array<std::unique_ptr<WriterProcess>, 2> writers;
    for (int w = 0; w < 2; ++w)
        writers[w] = std::make_unique<WriterProcess>(arguments[w]);
    for (const auto &writer : writers)
        writer->writeLine("go");
    for (const auto &writer : writers)
        QVERIFY2(writer->finish(WorkMs + 20000), qPrintable(writer->problem()));

    // Both wrote all along: neither was shut out while the other added half of all entries.
    const qsizetype added = writers[0]->added.size() + writers[1]->added.size();
    const qsizetype run = longestRun(writers[0]->added, writers[1]->added);
    QVERIFY2(run < added / 2,
             qPrintable(u"%1 of %2 entries in a row by one writer"_s.arg(run).arg(added)));

    FileKnowledgeBase kb(path);
    QCOMPARE(kb.integrityProblems(), QStringList());
    QStringList problems;
    std::array<Acknowledged, 2> sharedLast;
    for (int w = 0; w < 2; ++w) {
        QHash<qint32, Acknowledged> rows = lastWrites(writers[w]->updated);
        QCOMPARE(rows.size(), OwnRows + 1);
        sharedLast[w] = rows.take(shared);
        for (const Acknowledged &write : writers[w]->added + rows.values())
            if (const QString problem = entryProblem(kb, tags[w], write); !problem.isEmpty())
                problems << problem;
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    const QString sharedAs0 = entryProblem(kb, tags[0], sharedLast[0]);
    const QString sharedAs1 = entryProblem(kb, tags[1], sharedLast[1]);
    QVERIFY2(sharedAs0.isEmpty() || sharedAs1.isEmpty(), qPrintable(sharedAs0 + u'\n' + sharedAs1));
    QCOMPARE(kb.countAll(), 1 + 2 * OwnRows + added);
}

QTEST_GUILESS_MAIN(TestKbConcurrency)
#include "test_kb_concurrency.moc"

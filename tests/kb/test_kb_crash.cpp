// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/file_knowledge_base.h"
#include "kb/kb_error.h"
#include "support/test_env.h"
#include "writer_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

constexpr int KillsOnOneFile = 30;
constexpr int EarlyRoundsWithoutFile = 3;
constexpr int NewFiles = 20;
constexpr quint32 DefaultSeed = 20240611;

struct WriterRun
{
    QString tag;
    QList<Acknowledged> added;
};

// What is wrong with the file after the runs so far; empty when it is sound and holds every
// acknowledged entry as written.
QString problemsAfter(const QString &path, const QList<WriterRun> &runs)
{
    if (!QFile::exists(path)) {
        for (const WriterRun &run : runs)
            if (!run.added.isEmpty())
                return u"the file is gone"_s;
        return {}; // killed before it was created
    }
    try {
        FileKnowledgeBase kb(path);
        QStringList problems = kb.integrityProblems();
        for (const WriterRun &run : runs)
            for (const Acknowledged &write : run.added)
                if (const QString problem = entryProblem(kb, run.tag, write); !problem.isEmpty())
                    problems << problem;
        return problems.join(u'\n');
    } catch (const KbError &error) {
        return error.message();
    }
}

} // namespace

class TestKbCrash : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void writersKilledWhileCreatingTheFile();
    void writersKilledAgainAndAgainOnOneFile();
    void aBackupRestoredAfterAKillOpensAsItWas();

private:
    QString kill(const QList<WriterProcess *> &writers, const QString &path,
                 QList<WriterRun> &runs);

    QTemporaryDir m_dir;
    QRandomGenerator m_random;
    QString m_rerun;
    qint64 m_startupUs = 0;
};

void TestKbCrash::initTestCase()
{
    const quint32 seed = qEnvironmentVariableIsSet("DONGURI_KILL_SEED")
                             ? quint32(qEnvironmentVariableIntValue("DONGURI_KILL_SEED"))
                             : DefaultSeed;
    m_random.seed(seed);
    m_rerun = u"\n(seed %1; DONGURI_KILL_SEED=%1 repeats this run)"_s.arg(seed);

    // How long a writer takes here from its start to its first entry in a new file.
    QElapsedTimer timer;
    timer.start();
    WriterProcess writer({m_dir.filePath(u"試し.mdb"_s), u"試し"_s, u"teach"_s});
    QVERIFY2(writer.waitForAdded(1, 10000), qPrintable(writer.problem()));
    m_startupUs = timer.nsecsElapsed() / 1000;
}

// Kills the writers of the last runs, notes what each acknowledged, and says what is wrong with
// the file now.
QString TestKbCrash::kill(const QList<WriterProcess *> &writers, const QString &path,
                          QList<WriterRun> &runs)
{
    for (qsizetype i = 0; i < writers.size(); ++i) {
        if (!writers[i]->kill())
            return writers[i]->problem() + m_rerun;
        runs[runs.size() - writers.size() + i].added = writers[i]->added;
    }
    const QString problems = problemsAfter(path, runs);
    return problems.isEmpty() ? QString() : problems + m_rerun;
}

// Two writers start on each new file at once, as two programs may; the kill moments are spread
// over the start-up, so that some land while they create the file.
void TestKbCrash::writersKilledWhileCreatingTheFile()
{
    for (int i = 0; i < NewFiles; ++i) {
        const QString path = m_dir.filePath(u"新%1.mdb"_s.arg(i));
        QList<WriterRun> runs = {{u"新a"_s, {}}, {u"新b"_s, {}}};
        WriterProcess first({path, runs[0].tag, u"teach"_s});
        WriterProcess second({path, runs[1].tag, u"teach"_s});
        QThread::usleep(ulong(m_startupUs * (i + m_random.generateDouble()) / NewFiles));
        const QString problems = kill({&first, &second}, path, runs);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }
}

void TestKbCrash::writersKilledAgainAndAgainOnOneFile()
{
    const QString path = m_dir.filePath(u"どんぐりくん.mdb"_s);
    QList<WriterRun> runs;
    int earlyKills = 0;
    for (int round = 0; round < KillsOnOneFile; ++round) {
        runs.append({u"w%1"_s.arg(round), {}});
        WriterProcess writer({path, runs.last().tag, u"teach"_s});
        // The first rounds kill during the start-up, while the file may still be being made;
        // after that one in four still does, while the writer opens the file. A file that a
        // busy machine has not let any writer make by then is made before the next kill.
        const bool killEarly =
            QFile::exists(path) ? m_random.bounded(4) == 0 : round < EarlyRoundsWithoutFile;
        if (killEarly) {
            ++earlyKills;
            QThread::usleep(ulong(m_random.bounded(m_startupUs)));
        } else {
            QVERIFY2(writer.waitForAdded(1 + m_random.bounded(50), 10000),
                     qPrintable(writer.problem() + m_rerun));
            QThread::usleep(m_random.bounded(3000));
        }
        const QString problems = kill({&writer}, path, runs);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }
    QVERIFY2(earlyKills > 0 && earlyKills < KillsOnOneFile, qPrintable(m_rerun));
}

// A program killed while it teaches, with its last words still in the log beside the file; then
// last week's copy is put back over the file. The copy opens as it was, and the log that does
// not belong to it goes aside.
void TestKbCrash::aBackupRestoredAfterAKillOpensAsItWas()
{
    const QString path = m_dir.filePath(u"復元.mdb"_s);
    const QString backup = m_dir.filePath(u"復元の控え.mdb"_s);
    {
        WriterProcess writer({path, u"前"_s, u"teach"_s});
        QVERIFY2(writer.waitForAdded(20, 10000), qPrintable(writer.problem()));
        QVERIFY2(writer.kill(), qPrintable(writer.problem()));
    }
    QVERIFY(QFile::copy(path, backup));
    const qint64 backedUp = sqlNumber(backup, "SELECT count(*) FROM 言葉");
    QVERIFY(backedUp >= 20);
    {
        // Words taught since the backup; then another program starts reading, which keeps the
        // writer's last writes in the log when it dies.
        WriterProcess writer({path, u"後"_s, u"teach"_s});
        QVERIFY2(writer.waitForAdded(10, 10000), qPrintable(writer.problem()));
        HeldReader reader(path);
        QVERIFY2(writer.waitForAdded(13, 10000), qPrintable(writer.problem()));
        QVERIFY2(writer.kill(), qPrintable(writer.problem()));
    }
    QVERIFY(QFileInfo(path + u"-wal"_s).size() > 0);

    copyOver(backup, path);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(u"the log .*復元.mdb-wal was not written for .*"
                                            "moved aside to .*復元.mdb-wal.foreign-"_s));
    FileKnowledgeBase kb(path);
    QCOMPARE(kb.countAll(), backedUp);
    QVERIFY(kb.integrityProblems().isEmpty());
}

QTEST_GUILESS_MAIN(TestKbCrash)
#include "test_kb_crash.moc"

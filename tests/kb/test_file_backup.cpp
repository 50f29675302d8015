// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Copies of knowledge-base files through SQLite's online backup: the very pages of one committed
// state, header and all, however another handle writes meanwhile, made ready to be carried
// alone.
#include "kb/file_backup.h"
#include "kb/file_knowledge_base.h"
#include "kb/file_system.h"
#include "kb/kb_error.h"
#include "support/broken_index.h"
#include "support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

FileSystemProbe probeSaying(bool onNetwork)
{
    return [onNetwork](const QString &) { return onNetwork; };
}

// A few thousand pages, some of them free after deletions, and a header with values of its own.
void fill(const QString &path, bool onNetwork)
{
    QList<NewEntry> entries;
    for (int i = 0; i < 3000; ++i)
        entries.append({u"言葉%1"_s.arg(i), QString(300 + i % 500, u'意'), {}});
    FileKnowledgeBase(path, probeSaying(onNetwork)).addAll(entries);
    execSql(path, "DELETE FROM 言葉 WHERE ID % 7 = 0;"
                  " PRAGMA user_version = 42; PRAGMA application_id = 1684956532;");
}

// The bytes of an SQLite file but for the header fields a copy changes: the journal format
// (18–19), the change counter (24–27), the schema cookie (40–43, which a backup raises so that
// handles on the copy read its schema afresh) and the counter's copy (92–95).
QByteArray bytesBesideTheCounters(const QString &path)
{
    QByteArray bytes = fileBytes(path);
    for (const auto &[first, last] : {std::pair{18, 19}, {24, 27}, {40, 43}, {92, 95}}) {
        for (int i = first; i <= last && i < bytes.size(); ++i)
            bytes[i] = 0;
    }
    return bytes;
}

} // namespace

class TestFileBackup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_source = m_dir->filePath(u"kb.mdb"_s);
        m_copy = m_dir->filePath(u"copy.mdb"_s);
    }

    void aCopyHasEveryPageOfTheSource_data()
    {
        QTest::addColumn<bool>("onNetwork");
        QTest::newRow("write-ahead log") << false;
        QTest::newRow("rollback journal") << true;
    }
    void aCopyHasEveryPageOfTheSource()
    {
        QFETCH(bool, onNetwork);
        fill(m_source, onNetwork);
        backUpFile(m_source, m_copy);
        QCOMPARE(sealBackupFile(m_copy), 3000 - 3000 / 7);

        QCOMPARE(journalFormat(m_copy), 1);
        for (const QString &suffix : sqliteFileSuffixes())
            QVERIFY2(!QFileInfo::exists(m_copy + suffix), qPrintable(suffix));
        QVERIFY(fileBytes(m_source).size() > 1000 * 4096);
        QCOMPARE(bytesBesideTheCounters(m_copy), bytesBesideTheCounters(m_source));
        QCOMPARE(sqlNumber(m_copy, "PRAGMA user_version"), 42);
    }

    // Another handle adds an entry between the first two steps, or between every two: each
    // write starts the copy again, which still ends, and ends with every entry written before
    // its last step.
    void writesBetweenStepsStartTheCopyAgain_data()
    {
        QTest::addColumn<bool>("onNetwork");
        QTest::addColumn<bool>("betweenEveryStep");
        QTest::newRow("write-ahead log, once") << false << false;
        QTest::newRow("write-ahead log, all the time") << false << true;
        QTest::newRow("rollback journal, once") << true << false;
        QTest::newRow("rollback journal, all the time") << true << true;
    }
    void writesBetweenStepsStartTheCopyAgain()
    {
        QFETCH(bool, onNetwork);
        QFETCH(bool, betweenEveryStep);
        fill(m_source, onNetwork);
        FileKnowledgeBase writer(m_source, probeSaying(onNetwork));
        int steps = 0;
        qint64 lastCopied = 0;
        int startsAgain = 0;
        backUpFile(m_source, m_copy, [&](qint64 copied, qint64 total) {
            ++steps;
            startsAgain += copied <= lastCopied ? 1 : 0;
            lastCopied = copied;
            if (copied < total && steps < 50 && (betweenEveryStep || steps == 1))
                writer.add(u"書き足し%1"_s.arg(steps), u"途中"_s, {});
        });
        QVERIFY(startsAgain > 0);
        QVERIFY2(steps < 12, qPrintable(QString::number(steps))); // the steps grew
        QCOMPARE(sealBackupFile(m_copy), writer.countAll());
        QCOMPARE(sqlNumber(m_copy, "SELECT max(ID) FROM 言葉"),
                 sqlNumber(m_source, "SELECT max(ID) FROM 言葉"));
    }

    void aDamagedCopyIsNotSealed()
    {
        FileKnowledgeBase(m_source).add(u"空白つき "_s, u"x"_s, {});
        breakWordIndex(m_source);
        backUpFile(m_source, m_copy);
        try {
            sealBackupFile(m_copy);
            QFAIL("a damaged copy was sealed");
        } catch (const KbError &error) {
            QVERIFY2(error.message().startsWith(u"the copy is not whole: "_s),
                     qPrintable(error.message()));
        }
    }

    void aCopyThatCannotBeMadeLeavesNothing_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::newRow("no source") << u"missing.mdb"_s << u"copy.mdb"_s;
        QTest::newRow("no folder for the copy") << u"kb.mdb"_s << u"missing/copy.mdb"_s;
        QTest::newRow("a file where the copy goes") << u"kb.mdb"_s << u"kb.mdb"_s;
    }
    void aCopyThatCannotBeMadeLeavesNothing()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        FileKnowledgeBase(m_source).add(u"どんぐり"_s, u"木の実"_s, {});
        const QByteArray before = fileBytes(m_source);
        QVERIFY_THROWS_EXCEPTION(KbError,
                                 backUpFile(m_dir->filePath(source), m_dir->filePath(target)));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"kb.mdb"_s});
        QCOMPARE(fileBytes(m_source), before);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source;
    QString m_copy;
};

QTEST_GUILESS_MAIN(TestFileBackup)
#include "test_file_backup.moc"

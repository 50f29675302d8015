// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri-kb with knowledge bases on a server: --db URI for export, import and stats, and copy
// between any two knowledge bases. The server is the test program's own private cluster.
#include "kb/file_knowledge_base.h"
#include "kb/kb_error.h"
#include "kb/open_knowledge_base.h"
#include "kb_tool/kb_command.h"
#include "support/awkward_entries.h"
#include "support/kb_command_run.h"
#include "support/pg_cluster.h"
#include "support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace donguri;
using namespace donguri::kbtool;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

// Every entry as "ID|word|meaning or <null>|link", and the character choice.
QStringList contentsOf(const QString &location)
{
    const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(location);
    QStringList lines;
    kb->forEachEntry([&](const Entry &entry) {
        lines << u"%1|%2|%3|%4"_s.arg(entry.id).arg(entry.word, entry.meaning.value_or(u"<null>"_s),
                                                    entry.link);
    });
    const std::optional<qint16> choice = kb->characterChoice();
    lines << u"character %1"_s.arg(choice ? QString::number(*choice) : u"none"_s);
    return lines;
}

} // namespace

class TestKbCopy : public QObject, private KbCommandRun
{
    Q_OBJECT
private Q_SLOTS:
    void init() { begin(); }

    // A file with gaps in its IDs, a Null meaning and merlin chosen, the way years of use and
    // hand edits leave one.
    void aCopyKeepsIdsOrderAndTheCharacterChoiceBetweenAnyTwoStores_data()
    {
        QTest::addColumn<bool>("viaServer");
        QTest::newRow("file → file") << false;
        QTest::newRow("file → server → file") << true;
    }
    void aCopyKeepsIdsOrderAndTheCharacterChoiceBetweenAnyTwoStores()
    {
        QFETCH(bool, viaServer);
        const QString original = filledFile();
        const QString middle = viaServer ? cluster().newDatabase() : path(u"middle.mdb"_s);
        const QString last = path(u"last.mdb"_s);
        QCOMPARE(run({u"copy"_s, original, middle}), Success);
        QVERIFY2(m_out.contains(u"Copied 8 entries"_s), qPrintable(m_out + m_err));
        QCOMPARE(run({u"copy"_s, middle, last}), Success);
        QCOMPARE(contentsOf(middle), contentsOf(original));
        QCOMPARE(contentsOf(last), contentsOf(original));
        // New entries continue after the highest copied ID, as in the original.
        QCOMPARE(openKnowledgeBase(middle)->add(u"次"_s, u"x"_s, {}), 11);
        QCOMPARE(openKnowledgeBase(last)->add(u"次"_s, u"x"_s, {}), 11);
    }

    // A server is backed up as a knowledge-base file that answers as the server does: every
    // entry under its ID, the character choice, a plain file with nothing beside it.
    void aServerIsBackedUpAsAFile()
    {
        const QString server = cluster().newDatabase();
        QCOMPARE(run({u"copy"_s, filledFile(), server}), Success);
        const QString backup = path(u"backup.mdb"_s);
        QCOMPARE(run({u"backup"_s, backup, u"--db"_s, server}), Success);
        QVERIFY2(m_out.contains(u"Backed up 8 entries from %1 to %2"_s.arg(server, backup)),
                 qPrintable(m_out + m_err));
        QCOMPARE(journalFormat(backup), 1);
        QCOMPARE(QDir(m_dir->path()).entryList({u"backup.mdb*"_s}, QDir::Files | QDir::Hidden),
                 QStringList{u"backup.mdb"_s});
        QCOMPARE(contentsOf(backup), contentsOf(server));
        QCOMPARE(contentsOf(backup), contentsOf(filledFile()));

        // Not over a file that is there, and nothing left beside it when the server is gone.
        QCOMPARE(run({u"backup"_s, backup, u"--db"_s, server}), Failure);
        const QString unreachable = u"postgresql:///nowhere?host=%1"_s.arg(path(u"no-server"_s));
        QCOMPARE(run({u"backup"_s, path(u"other.mdb"_s), u"--db"_s, unreachable}), Failure);
        QVERIFY(!QFileInfo::exists(path(u"other.mdb"_s)));
        QCOMPARE(QDir(m_dir->path()).entryList({u"*.new*"_s}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    void anExportFromTheServerIsByteIdenticalToTheFilesExport_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::newRow("tsv") << u"tsv"_s;
        QTest::newRow("csv") << u"csv"_s;
    }
    void anExportFromTheServerIsByteIdenticalToTheFilesExport()
    {
        QFETCH(QString, extension);
        const QString file = filledFile();
        const QString server = cluster().newDatabase();
        QCOMPARE(run({u"copy"_s, file, server}), Success);
        const QString fromFile = path(u"file."_s + extension);
        const QString fromServer = path(u"server."_s + extension);
        QCOMPARE(run({u"export"_s, fromFile, u"--db"_s, file}), Success);
        QCOMPARE(run({u"export"_s, fromServer, u"--db"_s, server}), Success);
        QVERIFY(!fileBytes(fromFile).isEmpty());
        QCOMPARE(fileBytes(fromServer), fileBytes(fromFile));
    }

    void importAndStatsWorkOnAServer()
    {
        const QString server = cluster().newDatabase();
        writeBytes(path(u"in.tsv"_s),
                   "言葉\t意味\tリンク\nどんぐり\t木の実\t\nくり\t栗\thttp://x/\n");
        QCOMPARE(run({u"import"_s, path(u"in.tsv"_s), u"--db"_s, server}), Success);
        QVERIFY2(m_out.contains(u"Added 2 entries"_s), qPrintable(m_out + m_err));
        QCOMPARE(run({u"stats"_s, u"--db"_s, server}), Success);
        QVERIFY2(m_out.contains(u"Entries: 2\n"_s), qPrintable(m_out));
        QVERIFY2(m_out.contains(u"Size: "_s), qPrintable(m_out));
        QVERIFY2(m_out.endsWith(u"Integrity: ok\n"_s), qPrintable(m_out));
        QCOMPARE(openKnowledgeBase(server)->findWord(u"くり"_s), std::optional<qint32>(2));
    }

    // An administrator dropped the tables, leaving the functions: the next import makes the
    // knowledge base again.
    void anImportMakesTheTablesAgainAfterTheyWereDropped()
    {
        const QString server = cluster().newDatabase();
        writeBytes(path(u"in.tsv"_s), "言葉\t意味\tリンク\nどんぐり\t木の実\t\n");
        QCOMPARE(run({u"import"_s, path(u"in.tsv"_s), u"--db"_s, server}), Success);
        QVERIFY(cluster().exec(databaseOf(server),
                               u"DROP TABLE 言葉, キャラクター, 言葉_変更 CASCADE"_s));
        writeBytes(path(u"again.tsv"_s), "言葉\t意味\tリンク\nくり\t栗\t\nかき\t柿\t\n");
        QCOMPARE(run({u"import"_s, path(u"again.tsv"_s), u"--db"_s, server}), Success);
        QVERIFY2(m_out.contains(u"Added 2 entries"_s), qPrintable(m_out + m_err));
        QCOMPARE(run({u"stats"_s, u"--db"_s, server}), Success);
        QVERIFY2(m_out.contains(u"Entries: 2\n"_s), qPrintable(m_out));
        QVERIFY2(m_out.endsWith(u"Integrity: ok\n"_s), qPrintable(m_out));
        QCOMPARE(openKnowledgeBase(server)->findWord(u"かき"_s), std::optional<qint32>(2));
    }

    // Reading commands leave a database without tables as it is.
    void readingAServerWithoutAKnowledgeBaseCreatesNothing()
    {
        const QString server = cluster().newDatabase();
        QCOMPARE(run({u"stats"_s, u"--db"_s, server}), Failure);
        QVERIFY2(m_err.contains(u"no knowledge base at"_s), qPrintable(m_err));
        QCOMPARE(run({u"export"_s, path(u"out.tsv"_s), u"--db"_s, server}), Failure);
        QCOMPARE(run({u"copy"_s, server, path(u"new.mdb"_s)}), Failure);
        QVERIFY(!QFileInfo::exists(path(u"new.mdb"_s)));
        OpenOptions existing;
        existing.create = false;
        QVERIFY_THROWS_EXCEPTION(KbError, openKnowledgeBase(server, existing));
    }

    void aTargetWithEntriesIsRefusedUnlessAppending()
    {
        const QString file = filledFile();
        const QString target = path(u"target.mdb"_s);
        FileKnowledgeBase(target).add(u"前から"_s, u"ある"_s, {});
        const QStringList before = contentsOf(target);
        QCOMPARE(run({u"copy"_s, file, target}), Failure);
        QVERIFY2(m_err.contains(u"already holds 1 entries"_s) && m_err.contains(u"--append"_s),
                 qPrintable(m_err));
        QCOMPARE(contentsOf(target), before);

        QCOMPARE(run({u"copy"_s, file, target, u"--append"_s}), Success);
        QVERIFY2(m_out.contains(u"Added 8 entries"_s), qPrintable(m_out));
        const QStringList after = contentsOf(target);
        QCOMPARE(after.size(), 1 + 8 + 1);
        QCOMPARE(after[1], u"2|どんぐり   |木の実。\r\n二行目\t\"引用\"|"_s); // new IDs, in order
        QCOMPARE(after.last(), u"character 1"_s);                             // choice kept
    }

    void copyMistakesAreRefused()
    {
        const QString file = filledFile();
        QCOMPARE(run({u"copy"_s, file, file}), Failure);
        QVERIFY2(m_err.contains(u"the same knowledge base"_s), qPrintable(m_err));
        QCOMPARE(run({u"copy"_s, file}), UsageError);
        QCOMPARE(run({u"copy"_s, file, path(u"b.mdb"_s), u"--db"_s, file}), UsageError);
        QCOMPARE(run({u"stats"_s, u"--append"_s}), UsageError);
        QCOMPARE(run({u"copy"_s, path(u"missing.mdb"_s), path(u"b.mdb"_s)}), Failure);
        QVERIFY(!QFileInfo::exists(path(u"missing.mdb"_s)));
        QVERIFY(!QFileInfo::exists(path(u"b.mdb"_s)));
    }

    // A file entry the server cannot hold stops the whole copy: nothing is added, and the
    // message says why.
    void aCopyTheServerCannotHoldLeavesItEmpty()
    {
        const QString file = filledFile();
        openKnowledgeBase(file)->add(u"中に"_s + QChar(u'\0') + u"NUL"_s, u"x"_s, {});
        const QString server = cluster().newDatabase();
        QCOMPARE(run({u"copy"_s, file, server}), Failure);
        QVERIFY2(m_err.contains(u"U+0000"_s), qPrintable(m_err));
        QCOMPARE(openKnowledgeBase(server)->countAll(), 0);
        QCOMPARE(run({u"copy"_s, file, path(u"copy.mdb"_s)}), Success); // a file holds it
    }

    // The client library's keyword/value form names a server as the URI does.
    void aKeywordValueAddressIsAServer()
    {
        const QString uri = cluster().newDatabase();
        const QString keywords = u"host='%1' dbname=%2 user=donguri"_s.arg(
            cluster().socketDirectory(), QUrl(uri).path().mid(1));
        writeBytes(path(u"in.tsv"_s), "言葉\t意味\tリンク\nどんぐり\t木の実\t\n"_ba);
        QCOMPARE(run({u"import"_s, path(u"in.tsv"_s), u"--db"_s, keywords}), Success);
        QCOMPARE(run({u"stats"_s, u"--db"_s, keywords}), Success);
        QVERIFY2(m_out.contains(u"Entries: 1\n"_s), qPrintable(m_out));
        QCOMPARE(openKnowledgeBase(uri)->countAll(), 1);
        QVERIFY(!QFileInfo::exists(keywords));
    }

    // A server import that fails says that nothing was added, and nothing was.
    void aFailedServerImportSaysNothingWasAdded()
    {
        const QString server = cluster().newDatabase();
        writeBytes(path(u"in.tsv"_s), "言葉\t意味\tリンク\na\t1\t\nb\tNUL \0 here\t\n"_ba);
        QCOMPARE(run({u"import"_s, path(u"in.tsv"_s), u"--db"_s, server}), Failure);
        QVERIFY2(m_err.contains(u"U+0000"_s), qPrintable(m_err));
        QVERIFY2(m_err.contains(u"nothing was added"_s), qPrintable(m_err));
        QCOMPARE(openKnowledgeBase(server)->countAll(), 0);
    }

    void passwordsAreNeverPrinted()
    {
        const QString withPassword =
            u"postgresql://kagi:geheim-99@/nowhere?host=%1"_s.arg(cluster().socketDirectory());
        QCOMPARE(run({u"stats"_s, u"--db"_s, withPassword}), Failure);
        QCOMPARE(run({u"copy"_s, filledFile(), withPassword}), Failure);
        QCOMPARE(run({u"backup"_s, path(u"backup.mdb"_s), u"--db"_s, withPassword}), Failure);
        QVERIFY2(!(m_out + m_err).contains(u"geheim-99"_s), qPrintable(m_out + m_err));
        QVERIFY2(m_err.contains(u"***"_s), qPrintable(m_err));
    }

private:
    static TestCluster &cluster() { return TestCluster::shared(); }
    // Ten entries with 3 and 5 deleted, entry 4's meaning Null, merlin chosen.
    QString filledFile()
    {
        const QString file = path(u"original.mdb"_s);
        if (QFileInfo::exists(file))
            return file;
        FileKnowledgeBase kb(file);
        kb.addAll(awkwardEntries());
        kb.addAll({{u"九"_s, u"9"_s, {}}, {u"十"_s, u"10"_s, {}}, {u"十一"_s, u"11"_s, {}}});
        execSql(file, "DELETE FROM 言葉 WHERE ID IN (3, 5);"
                      "UPDATE 言葉 SET 意味 = NULL WHERE ID = 4;"
                      "UPDATE キャラクター SET キャラクター番号 = 2 WHERE ID = 1;");
        return file;
    }
};

QTEST_GUILESS_MAIN(TestKbCopy)
#include "test_kb_copy.moc"

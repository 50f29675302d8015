// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What people do with a knowledge base file: copy it while the program runs, quit, restore a
// backup over it after a crash, move or delete it underneath the program.
#include "kb/file_knowledge_base.h"
#include "kb/question_service.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

QStringList wordsIn(const QString &path)
{
    FileKnowledgeBase kb(path);
    QStringList words;
    kb.forEachEntry([&](const Entry &entry) { words << entry.word; });
    return words;
}

QStringList numbered(const QString &stem, int from, int count)
{
    QStringList words;
    for (int i = from; i < from + count; ++i)
        words << stem + QString::number(i);
    return words;
}

void addWords(KnowledgeBase &kb, const QStringList &words)
{
    for (const QString &word : words)
        kb.add(word, u"意味"_s, {});
}

QStringList besideFiles(const QString &path)
{
    const QFileInfo file(path);
    return QDir(file.absolutePath())
        .entryList({file.fileName() + u"-*"_s}, QDir::Files | QDir::Hidden);
}

// Sets a file's modification time `seconds` into the past.
void ageFile(const QString &path, int seconds)
{
    struct stat info
    {
    };
    stat(QFile::encodeName(path).constData(), &info);
    const struct utimbuf times
    {
        info.st_atime - seconds, info.st_mtime - seconds
    };
    utime(QFile::encodeName(path).constData(), &times);
}

} // namespace

class TestKbFileSafety : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void theFileAloneHoldsEveryWrite_data();
    void theFileAloneHoldsEveryWrite();
    void closingLeavesNothingBeside_data();
    void closingLeavesNothingBeside();
    void aCrashLogIsPlayedIntoItsOwnFile();
    void aLogOfAnotherFileIsSetAside_data();
    void aLogOfAnotherFileIsSetAside();
    void aFileChangedUnderneathIsOpenedAgain_data();
    void aFileChangedUnderneathIsOpenedAgain();
    void aWriteProtectedFileIsReadWithItsLog_data();
    void aWriteProtectedFileIsReadWithItsLog();

private:
    // A knowledge base left as a crash leaves it: `merged` words in the file, `pending` more
    // committed to the log but not merged into the file. Returns its path.
    QString crashedWith(const QStringList &merged, const QStringList &pending);
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestKbFileSafety::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QString TestKbFileSafety::crashedWith(const QStringList &merged, const QStringList &pending)
{
    const QString running = path(u"running.mdb"_s);
    const QString crashed = path(u"どんぐりくん.mdb"_s);
    FileKnowledgeBase kb(running);
    addWords(kb, merged);
    {
        HeldReader reader(running);
        addWords(kb, pending);
        copyAsLeftOnDisk(running, crashed);
    }
    return crashed;
}

void TestKbFileSafety::theFileAloneHoldsEveryWrite_data()
{
    QTest::addColumn<QString>("write");
    QTest::newRow("teach") << u"teach"_s;
    QTest::newRow("correct") << u"correct"_s;
    QTest::newRow("import") << u"import"_s;
    QTest::newRow("copy into an empty one") << u"fill"_s;
}

// A copy of the file alone, taken right after a write while the program still runs, is a whole
// knowledge base with that write in it.
void TestKbFileSafety::theFileAloneHoldsEveryWrite()
{
    QFETCH(QString, write);
    const QString file = path(u"kb.mdb"_s);
    FileKnowledgeBase kb(file);
    if (write == u"teach") {
        kb.add(u"みず"_s, u"のみもの"_s, {});
    } else if (write == u"correct") {
        kb.update(kb.add(u"あお"_s, u"色"_s, {}), u"みず"_s, u"のみもの"_s, {});
    } else if (write == u"import") {
        kb.addAll(QList<NewEntry>{{u"みず"_s, u"のみもの"_s, {}}});
    } else {
        bool handedOut = false;
        kb.fillEmpty(
            [&]() -> std::optional<Entry> {
                if (std::exchange(handedOut, true))
                    return std::nullopt;
                return Entry{7, u"みず"_s, u"のみもの"_s, {}};
            },
            1);
    }

    const QString copy = path(u"copy.mdb"_s);
    QVERIFY(QFile::copy(file, copy));
    FileKnowledgeBase copied(copy);
    QVERIFY(copied.integrityProblems().isEmpty());
    const std::optional<qint32> found = copied.findWord(u"みず"_s);
    QVERIFY(found);
    QCOMPARE(copied.entry(*found)->meaning, u"のみもの"_s);
}

void TestKbFileSafety::closingLeavesNothingBeside_data()
{
    QTest::addColumn<bool>("interrupted");
    QTest::addColumn<bool>("throughTheService");
    QTest::newRow("closed") << false << false;
    // The end of the program stops a question that may still run; the close must not stop.
    QTest::newRow("closed after an interruption") << true << false;
    QTest::newRow("the service ends with a write queued") << false << true;
}

void TestKbFileSafety::closingLeavesNothingBeside()
{
    QFETCH(bool, interrupted);
    QFETCH(bool, throughTheService);
    const QString file = path(u"kb.mdb"_s);
    if (throughTheService) {
        auto service = std::make_unique<QuestionService>();
        // Asked, then the program ends at once: the write is still carried out.
        for (const QString &word : numbered(u"語"_s, 0, 5))
            service->call<qint32>(
                QuestionService::Lane::Edit, file, this,
                [word](KnowledgeBase &kb) { return kb.add(word, u"意味"_s, {}); },
                [](const Reply<qint32> &) {});
        service.reset();
        QCOMPARE(wordsIn(file), numbered(u"語"_s, 0, 5));
    } else {
        FileKnowledgeBase kb(file);
        addWords(kb, numbered(u"語"_s, 0, 5));
        if (interrupted)
            kb.interrupt();
    }
    QCOMPARE(besideFiles(file), QStringList());
    QCOMPARE(sqlNumber(file, "SELECT count(*) FROM 言葉"), 5);
}

// A program killed before it merged its last writes: the next start plays them into the file.
void TestKbFileSafety::aCrashLogIsPlayedIntoItsOwnFile()
{
    const QString crashed = crashedWith(numbered(u"前"_s, 0, 3), numbered(u"後"_s, 0, 2));
    QVERIFY(QFileInfo(crashed + u"-wal"_s).size() > 0);
    QCOMPARE(wordsIn(crashed), numbered(u"前"_s, 0, 3) + numbered(u"後"_s, 0, 2));
    QCOMPARE(besideFiles(crashed), QStringList());
    QVERIFY(FileKnowledgeBase(crashed).integrityProblems().isEmpty());
}

void TestKbFileSafety::aLogOfAnotherFileIsSetAside_data()
{
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("byRename");
    // Last week's copy of the same knowledge base, copied or moved over it.
    QTest::newRow("a backup copied over it") << u"backup"_s << false;
    QTest::newRow("a backup moved over it") << u"backup"_s << true;
    // A knowledge base made elsewhere.
    QTest::newRow("another knowledge base copied over it") << u"other"_s << false;
    // A backup made by an older version, which kept no write stamps: told apart by time.
    QTest::newRow("an old version's backup copied over it") << u"unstamped"_s << false;
}

void TestKbFileSafety::aLogOfAnotherFileIsSetAside()
{
    QFETCH(QString, replacement);
    QFETCH(bool, byRename);
    const QString backup = path(u"backup.mdb"_s);
    QStringList expected = numbered(u"前"_s, 0, 4);
    {
        FileKnowledgeBase kb(backup);
        addWords(kb, expected);
    }
    QString crashed;
    if (replacement == u"backup") {
        // The knowledge base went on from the backup before it crashed.
        const QString running = path(u"running.mdb"_s);
        QFile::copy(backup, running);
        FileKnowledgeBase kb(running);
        addWords(kb, numbered(u"中"_s, 0, 30));
        HeldReader reader(running);
        addWords(kb, numbered(u"後"_s, 0, 2));
        crashed = path(u"どんぐりくん.mdb"_s);
        copyAsLeftOnDisk(running, crashed);
    } else {
        crashed = crashedWith(numbered(u"前"_s, 0, 20), numbered(u"後"_s, 0, 2));
    }
    if (replacement == u"unstamped") {
        execSql(backup, "PRAGMA user_version = 0");
        ageFile(crashed + u"-wal"_s, 3600); // the crash was an hour before the restore
    }
    if (byRename)
        QVERIFY(std::rename(QFile::encodeName(backup).constData(),
                            QFile::encodeName(crashed).constData())
                == 0);
    else
        copyOver(backup, crashed);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"the log .*どんぐりくん.mdb-wal was not "
                                                          "written for .*moved aside to "
                                                          ".*どんぐりくん.mdb-wal.foreign-"_s));
    QCOMPARE(wordsIn(crashed), expected);
    QVERIFY(FileKnowledgeBase(crashed).integrityProblems().isEmpty());
    const QStringList beside = besideFiles(crashed);
    QCOMPARE(beside.filter(u"-wal.foreign-"_s).size(), 1);
}

void TestKbFileSafety::aFileChangedUnderneathIsOpenedAgain_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected");
    const QStringList other = {u"ほか1"_s, u"ほか2"_s};
    QTest::newRow("another file moved over it") << u"move"_s << other + QStringList{u"みず"_s};
    // Told from another program's write only by what is in it: no warning.
    QTest::newRow("another file copied over it") << u"copy"_s << other + QStringList{u"みず"_s};
    // Made anew at the same place, as on a first start.
    QTest::newRow("deleted") << u"delete"_s << QStringList{u"みず"_s};
}

// The program goes on running while its file is replaced or deleted; the next word taught goes
// into the file that is there now, never into the one that went.
void TestKbFileSafety::aFileChangedUnderneathIsOpenedAgain()
{
    QFETCH(QString, change);
    QFETCH(QStringList, expected);
    const QString file = path(u"どんぐりくん.mdb"_s);
    const QString other = path(u"other.mdb"_s);
    {
        FileKnowledgeBase kb(other);
        addWords(kb, {u"ほか1"_s, u"ほか2"_s});
    }
    QuestionService service;
    QSignalSpy settled(&service, &QuestionService::settled);
    const auto teach = [&](const QString &word) {
        service.call<qint32>(
            QuestionService::Lane::Edit, file, this,
            [word](KnowledgeBase &kb) { return kb.add(word, u"意味"_s, {}); },
            [](const Reply<qint32> &reply) { QVERIFY2(reply.ok(), qPrintable(reply.error)); });
        QVERIFY(settled.wait());
    };
    teach(u"あお"_s);

    if (change == u"move")
        QCOMPARE(
            std::rename(QFile::encodeName(other).constData(), QFile::encodeName(file).constData()),
            0);
    else if (change == u"copy")
        copyOver(other, file);
    else
        QVERIFY(QFile::remove(file));
    if (change != u"copy")
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(u"was replaced, moved or deleted while it was open"_s));
    teach(u"みず"_s);

    QCOMPARE(wordsIn(file), expected);
    QVERIFY(FileKnowledgeBase(file).integrityProblems().isEmpty());
}

void TestKbFileSafety::aWriteProtectedFileIsReadWithItsLog_data()
{
    QTest::addColumn<bool>("folderWritable");
    // SQLite can set up its index of the log beside the file: read with the log.
    QTest::newRow("in a folder the user may write") << true;
    // It cannot: refused, never read without the newest entries.
    QTest::newRow("in a folder the user may only read") << false;
}

// Permissions hold only for an ordinary user: the test hands the file to one (needs root).
void TestKbFileSafety::aWriteProtectedFileIsReadWithItsLog()
{
    QFETCH(bool, folderWritable);
    const QString setpriv = QStandardPaths::findExecutable(u"setpriv"_s);
    if (::geteuid() != 0 || setpriv.isEmpty())
        QSKIP("needs root and setpriv to read as another user");
    // Under /tmp: the other user may not be able to enter the build folder.
    QTemporaryDir work(QDir::tempPath() + u"/donguri-protected-XXXXXX"_s);
    QFile::setPermissions(work.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                           | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                           | QFileDevice::WriteOther | QFileDevice::ExeOther);
    const QString tool = work.filePath(u"donguri-kb"_s);
    QVERIFY(QFile::copy(QStringLiteral(DONGURI_KB_EXECUTABLE), tool));
    const QString crashed = crashedWith(numbered(u"前"_s, 0, 3), numbered(u"後"_s, 0, 2));
    const QString folder = work.filePath(u"kb"_s);
    QVERIFY(QDir().mkdir(folder));
    const QString file = folder + u"/kb.mdb"_s;
    QVERIFY(QFile::copy(crashed, file));
    QVERIFY(QFile::copy(crashed + u"-wal"_s, file + u"-wal"_s));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadOther;
    QFile::setPermissions(file, readOnly);
    QFile::setPermissions(file + u"-wal"_s, readOnly);
    QFile::setPermissions(
        folder, readOnly | QFileDevice::ExeOwner | QFileDevice::ExeOther
                    | (folderWritable ? QFileDevice::WriteOther : QFileDevice::Permissions()));

    QProcess export_;
    export_.start(setpriv, {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, tool,
                            u"export"_s, u"-"_s, u"--db"_s, file});
    QVERIFY(export_.waitForFinished(30000));
    const QString out = QString::fromUtf8(export_.readAllStandardOutput());
    const QString err = QString::fromUtf8(export_.readAllStandardError());
    if (folderWritable) {
        QVERIFY2(export_.exitCode() == 0, qPrintable(err));
        for (const QString &word : numbered(u"前"_s, 0, 3) + numbered(u"後"_s, 0, 2))
            QVERIFY2(out.contains(word), qPrintable(word));
    } else {
        QCOMPARE(export_.exitCode(), 1);
        QVERIFY2(err.contains(u"not yet merged"_s), qPrintable(err));
        QVERIFY(!out.contains(u"前0"_s));
    }
}

QTEST_GUILESS_MAIN(TestKbFileSafety)
#include "test_kb_file_safety.moc"

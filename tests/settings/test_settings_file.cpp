// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_file.h"
#include "support/test_env.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestSettingsFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void firstLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CR LF") << QByteArray("/a/b.mdb\r\n") << QStringLiteral("/a/b.mdb");
        QTest::newRow("lone CR") << QByteArray("/a/b.mdb\r/x\r") << QStringLiteral("/a/b.mdb");
        QTest::newRow("lone LF") << QByteArray("/a/b.mdb\n/x\n") << QStringLiteral("/a/b.mdb");
        QTest::newRow("no line end") << QByteArray("/a/b.mdb") << QStringLiteral("/a/b.mdb");
        QTest::newRow("two lines")
            << QByteArray("/first\r\n/second\r\n") << QStringLiteral("/first");
        QTest::newRow("blanks kept")
            << QByteArray("  /a b.mdb  \r\n") << QStringLiteral("  /a b.mdb  ");
        QTest::newRow("empty first line") << QByteArray("\r\n/second\r\n") << QString();
        QTest::newRow("Japanese UTF-8") << QStringLiteral("/home/u/どんぐりくん.mdb\r\n").toUtf8()
                                        << QStringLiteral("/home/u/どんぐりくん.mdb");
        QTest::newRow("byte-order mark")
            << QByteArray("\xEF\xBB\xBF/a.mdb\r\n") << QStringLiteral("/a.mdb");
        // "C:\どんぐりくん.mdb" as an older installation wrote it, in Shift_JIS.
        QTest::newRow("only the first line decides the encoding")
            << QByteArray("/home/u/\xe3\x81\xa9.mdb\r\ncaf\xe9\r\n")
            << QStringLiteral("/home/u/ど.mdb");
        QTest::newRow("Shift_JIS")
            << QByteArray("C:\\\x82\xc7\x82\xf1\x82\xae\x82\xe8\x82\xad\x82\xf1.mdb\r\n")
            << QStringLiteral("C:\\どんぐりくん.mdb");
    }
    void firstLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const QString path = m_dir->filePath(QStringLiteral("donguri.ini"));
        writeBytes(path, bytes);
        const FirstLine first = readFirstLine(path);
        QCOMPARE(first.status, FirstLine::Status::Read);
        QCOMPARE(first.line, expected);
        QCOMPARE(fileBytes(path), bytes); // reading never changes the file
    }

    void missingAndEmptyFilesAreTold()
    {
        const QString path = m_dir->filePath(QStringLiteral("donguri.ini"));
        QCOMPARE(readFirstLine(path).status, FirstLine::Status::Missing);
        writeBytes(path, {});
        QCOMPARE(readFirstLine(path).status, FirstLine::Status::Unreadable);
        QCOMPARE(readFirstLine(m_dir->path()).status, FirstLine::Status::Unreadable); // a folder
    }

    // What is no plain file, or holds no line of a sensible length, is not read: the caller
    // then takes the default path. Reading never blocks and never reads without end.
    void onlyABoundedLineOfAPlainFileIsRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray longest(MaxSettingsBytes, 'a');
        QTest::newRow("FIFO without a writer") << u"fifo"_s << QByteArray();
        QTest::newRow("link to /dev/zero") << u"zero"_s << QByteArray();
        QTest::newRow("line one byte too long") << u"file"_s << longest + 'a';
        QTest::newRow("too long a line before a good one")
            << u"file"_s << longest + "a\r\n/kb/b.mdb\r\n";
        QTest::newRow("10 MB line") << u"file"_s << QByteArray(10 * 1024 * 1024, 'x');
    }
    void onlyABoundedLineOfAPlainFileIsRead()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir->filePath(u"donguri.ini"_s);
        if (kind == u"fifo")
            QVERIFY(makeFifo(path));
        else if (kind == u"zero")
            QVERIFY(linkToDevZero(path));
        else
            writeBytes(path, bytes);

        FirstLine first;
        QVERIFY2(finishesWithin(
                     5000, [&] { first = readFirstLine(path); }, path),
                 "reading the settings file did not end");
        QCOMPARE(first.status, FirstLine::Status::Unreadable);
        QCOMPARE(first.line, QString());
        if (kind == u"fifo")
            QVERIFY(isFifo(path));
        else if (kind == u"zero")
            QCOMPARE(QFileInfo(path).symLinkTarget(), u"/dev/zero"_s);
        else
            QCOMPARE(fileBytes(path), bytes);
    }

    void aLineUpToTheBoundIsReadWhateverFollows_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QByteArray longest(MaxSettingsBytes, 'a');
        QTest::newRow("longest line, no line end") << longest << QString::fromLatin1(longest);
        QTest::newRow("longest line, then more")
            << longest + "\r\n" + QByteArray(100, 'b') << QString::fromLatin1(longest);
        QTest::newRow("short line in a large file")
            << QByteArray("/kb/a.mdb\r\n") + QByteArray(1024 * 1024, 'b') << u"/kb/a.mdb"_s;
    }
    void aLineUpToTheBoundIsReadWhateverFollows()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const QString path = m_dir->filePath(u"donguri.ini"_s);
        writeBytes(path, bytes);
        const FirstLine first = readFirstLine(path);
        QCOMPARE(first.status, FirstLine::Status::Read);
        QCOMPARE(first.line, expected);
    }

    void aLinkToAPlainFileIsRead()
    {
        const QString target = m_dir->filePath(u"elsewhere.ini"_s);
        const QString path = m_dir->filePath(u"donguri.ini"_s);
        writeBytes(target, "/kb/linked.mdb\r\n");
        QVERIFY(QFile::link(target, path));
        QCOMPARE(readFirstLine(path).line, u"/kb/linked.mdb"_s);
        QCOMPARE(readFirstLine(path).status, FirstLine::Status::Read);
    }

    void writeReplacesTheWholeFileWithOneLine()
    {
        const QString path = m_dir->filePath(QStringLiteral("donguri.ini"));
        writeBytes(path, "old first line\r\nold second line\r\n");
        QVERIFY(writeSettingsLine(path, QStringLiteral("/新しい/どんぐりくん.mdb")));
        QCOMPARE(fileBytes(path), QStringLiteral("/新しい/どんぐりくん.mdb\r\n").toUtf8());
        QCOMPARE(readFirstLine(path).line, QStringLiteral("/新しい/どんぐりくん.mdb"));

        QVERIFY(writeSettingsLine(path, QString()));
        QCOMPARE(fileBytes(path), QByteArray("\r\n"));
    }

    // An address with a password in it is kept from other users; other lines keep the mode
    // files get here.
    void aLineWithAPasswordIsForTheOwnerOnly_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ownerOnly");
        QTest::newRow("URI user info") << QStringLiteral("postgresql://a:b@kb.lan/db") << true;
        QTest::newRow("?password=") << QStringLiteral("postgres://kb.lan/db?password=x") << true;
        QTest::newRow("password=") << QStringLiteral("host=kb.lan password='a b'") << true;
        QTest::newRow("no password") << QStringLiteral("host=kb.lan dbname=db") << false;
        QTest::newRow("file") << QStringLiteral("/home/a/どんぐりくん.mdb") << false;
    }
    void aLineWithAPasswordIsForTheOwnerOnly()
    {
        QFETCH(QString, line);
        QFETCH(bool, ownerOnly);
        const QString path = m_dir->filePath(QStringLiteral("donguri.ini"));
        writeBytes(path, "/old/path\r\n");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                        | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        QVERIFY(writeSettingsLine(path, line));
        QCOMPARE(fileBytes(path), line.toUtf8() + "\r\n");
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                | QFileDevice::ReadOther | QFileDevice::WriteOther;
        QCOMPARE(bool(QFile::permissions(path) & others), !ownerOnly);
    }

    void writeIntoAMissingFolderFails()
    {
        // A path below a plain file cannot be created, not even by root.
        const QString blocker = m_dir->filePath(QStringLiteral("plain"));
        writeBytes(blocker, "x");
        QVERIFY(!writeSettingsLine(blocker + QStringLiteral("/donguri.ini"), QStringLiteral("/x")));
        QVERIFY(!createEmptySettingsFile(blocker + QStringLiteral("/donguri.ini")));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_file.h"
#include "support/test_env.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;

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

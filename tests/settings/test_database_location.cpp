// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/database_location.h"
#include "support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// Start-up and donguri-kb decide which knowledge base a run uses by the same rule; start-up
// alone writes a missing settings file on the way.
class TestDatabaseLocation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir(m_dir->path()).mkpath(u"program"_s);
        m_places = {{m_dir->filePath(u"program"_s)}, {m_dir->filePath(u"user/data"_s)}};
    }

    void firstRunCreatesTheSettingsFileWithTheDefaultPath()
    {
        const DatabaseChoice choice = chooseDatabase(m_places, MissingSettings::Create);
        const QString expected = m_places.program.directory + u"/どんぐりくん.mdb"_s;
        QCOMPARE(choice.databasePath, expected);
        QCOMPARE(choice.settingsFile, m_places.program.settingsFile());
        QCOMPARE(fileBytes(m_places.program.settingsFile()), (expected + u"\r\n"_s).toUtf8());
    }

    void noSettingsFileMeansTheProgramFolderDefaultAndNoFileIsWritten()
    {
        QDir().mkpath(m_places.userData.directory);
        writeBytes(m_places.userData.settingsFile(), "/kb/user.mdb\r\n");
        QCOMPARE(chooseDatabase(m_places, MissingSettings::LeaveAlone).databasePath,
                 m_places.program.defaultDatabase());
        QVERIFY(!QFileInfo::exists(m_places.program.settingsFile()));
    }

    void theFirstLineIsTakenAsItIs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two lines") << QByteArray("/a.mdb\r\n/b.mdb\r\n") << u"/a.mdb"_s;
        QTest::newRow("blanks") << QByteArray(" /a.mdb \r\n") << u" /a.mdb "_s;
        QTest::newRow("lone CR") << QByteArray("/a.mdb\r") << u"/a.mdb"_s;
        QTest::newRow("relative") << QByteArray("kb/a.mdb\r\n") << u"kb/a.mdb"_s;
        // Keyword/value text may hold a backslash: it is a server's address, not a drive-letter
        // path.
        QTest::newRow("server address with a backslash")
            << QByteArray("host=kb dbname=donguri password='a\\'b'\r\n")
            << u"host=kb dbname=donguri password='a\\'b'"_s;
    }
    void theFirstLineIsTakenAsItIs()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        writeBytes(m_places.program.settingsFile(), bytes);
        for (const MissingSettings missing : {MissingSettings::Create, MissingSettings::LeaveAlone})
            QCOMPARE(chooseDatabase(m_places, missing).databasePath, expected);
        QCOMPARE(fileBytes(m_places.program.settingsFile()), bytes);
    }

    // A name that opens nothing would leave every question unanswered.
    void anEmptyFirstLineMeansTheDefaultAndStaysAsItIs()
    {
        writeBytes(m_places.program.settingsFile(), "\r\n/second.mdb\r\n");
        for (const MissingSettings missing :
             {MissingSettings::Create, MissingSettings::LeaveAlone}) {
            const DatabaseChoice choice = chooseDatabase(m_places, missing);
            QCOMPARE(choice.databasePath, m_places.program.defaultDatabase());
            QVERIFY(choice.settingsExisted);
        }
        QCOMPARE(fileBytes(m_places.program.settingsFile()), QByteArray("\r\n/second.mdb\r\n"));
    }

    // Only a settings file that was there chose the knowledge base; a first start writes one.
    void whetherASettingsFileChose()
    {
        QVERIFY(!chooseDatabase(m_places, MissingSettings::LeaveAlone).settingsExisted);
        QVERIFY(!chooseDatabase(m_places, MissingSettings::Create).settingsExisted);
        QVERIFY(chooseDatabase(m_places, MissingSettings::Create).settingsExisted);
        writeBytes(m_places.program.settingsFile(), {});
        QVERIFY(chooseDatabase(m_places, MissingSettings::LeaveAlone).settingsExisted);
    }

    // An older installation's settings file names a drive-letter path. Its file name is looked
    // for beside the program, then in the user's data folder; otherwise the one beside the
    // program is used (and made on first use). The file is left as it is.
    void aDriveLetterPathIsReadAsAFileName_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("existing"); // the places that hold a file of its name
        QTest::addColumn<QString>("expected");     // place/name
        const QStringList nowhere;
        QTest::newRow("drive and backslashes, nowhere")
            << u"C:\\Program Files\\Donguri\\どんぐりくん.mdb"_s.toUtf8() << nowhere
            << u"program/どんぐりくん.mdb"_s;
        QTest::newRow("relative, in the user folder")
            << QByteArray("..\\data\\kb.mdb") << QStringList{u"user/data"_s}
            << u"user/data/kb.mdb"_s;
        QTest::newRow("share, in both")
            << QByteArray("\\\\server\\share\\kb.mdb") << QStringList{u"program"_s, u"user/data"_s}
            << u"program/kb.mdb"_s;
        QTest::newRow("drive and slashes")
            << QByteArray("D:/kb/kb.mdb") << nowhere << u"program/kb.mdb"_s;
        QTest::newRow("drive only") << QByteArray("c:kb.mdb") << nowhere << u"program/kb.mdb"_s;
        QTest::newRow("a folder") << QByteArray("C:\\Donguri\\") << nowhere
                                  << u"program/どんぐりくん.mdb"_s;
        // 表 is 0x95 0x5C in Shift_JIS: its second byte is a backslash.
        QTest::newRow("Shift_JIS") << QByteArray("C:\\\x83\x66\x81\x5b\x83\x5e\\\x95\x5c.mdb")
                                   << QStringList{u"user/data"_s} << u"user/data/表.mdb"_s;
    }
    void aDriveLetterPathIsReadAsAFileName()
    {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        QDir().mkpath(m_places.userData.directory);
        const QString name = expected.sliced(expected.lastIndexOf(u'/') + 1);
        for (const QString &place : existing)
            writeBytes(m_dir->filePath(place + u'/' + name), "kb");
        const QByteArray bytes = line + "\r\n";
        writeBytes(m_places.program.settingsFile(), bytes);

        for (const MissingSettings missing :
             {MissingSettings::Create, MissingSettings::LeaveAlone}) {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(u"names .+, a drive-letter path; "
                                                    u"the knowledge base used is .+/"_s
                                                    + QRegularExpression::escape(expected)));
            QCOMPARE(chooseDatabase(m_places, missing).databasePath, m_dir->filePath(expected));
        }
        QCOMPARE(fileBytes(m_places.program.settingsFile()), bytes);
    }

    // Settings kept in the user's data folder, beside a program folder that holds nothing.
    void aDriveLetterPathInTheUserFolderSettingsMakesItsFileThere()
    {
        writeBytes(m_dir->filePath(u"blocker"_s), "x");
        const ProgramFiles readOnly{m_dir->filePath(u"blocker/program"_s)};
        QDir().mkpath(m_places.userData.directory);
        writeBytes(m_places.userData.settingsFile(), "C:\\old\\kb.mdb\r\n");
        m_places.program = readOnly;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"a drive-letter path"_s));
        QCOMPARE(chooseDatabase(m_places, MissingSettings::LeaveAlone).databasePath,
                 m_places.userData.directory + u"/kb.mdb"_s);
    }

    void theProgramFolderSettingsComeFirst()
    {
        writeBytes(m_places.program.settingsFile(), "/kb/a.mdb\r\n/kb/b.mdb\r\n");
        QDir().mkpath(m_places.userData.directory);
        writeBytes(m_places.userData.settingsFile(), "/kb/user.mdb\r\n");
        QCOMPARE(chooseDatabase(m_places, MissingSettings::LeaveAlone).databasePath,
                 u"/kb/a.mdb"_s);
    }

    void anEmptyFileGivesTheDefaultAndStaysEmpty()
    {
        writeBytes(m_places.program.settingsFile(), {});
        for (const MissingSettings missing : {MissingSettings::Create, MissingSettings::LeaveAlone})
            QCOMPARE(chooseDatabase(m_places, missing).databasePath,
                     m_places.program.defaultDatabase());
        QVERIFY(QFileInfo::exists(m_places.program.settingsFile()));
        QCOMPARE(QFileInfo(m_places.program.settingsFile()).size(), 0);
    }

    // Both the program and donguri-kb go on with the default at once, and leave the file be.
    void aSettingsFileThatIsNoPlainFileGivesTheDefaultAndIsLeftAlone()
    {
        const QString fifo = m_places.program.settingsFile();
        QVERIFY(makeFifo(fifo));
        for (const MissingSettings missing :
             {MissingSettings::Create, MissingSettings::LeaveAlone}) {
            DatabaseChoice choice;
            QVERIFY(finishesWithin(
                5000, [&] { choice = chooseDatabase(m_places, missing); }, fifo));
            QCOMPARE(choice.databasePath, m_places.program.defaultDatabase());
            QCOMPARE(choice.settingsFile, fifo);
            QVERIFY(isFifo(fifo));
        }

        QVERIFY(QFile::remove(fifo));
        QVERIFY(linkToDevZero(fifo));
        for (const MissingSettings missing :
             {MissingSettings::Create, MissingSettings::LeaveAlone}) {
            DatabaseChoice choice;
            QVERIFY(finishesWithin(5000, [&] { choice = chooseDatabase(m_places, missing); }));
            QCOMPARE(choice.databasePath, m_places.program.defaultDatabase());
            QCOMPARE(QFileInfo(fifo).symLinkTarget(), u"/dev/zero"_s);
        }
    }

    void aProgramFolderThatCannotHoldFilesFallsBackToTheUserFolder()
    {
        // The program "folder" lies below a plain file: nothing can be created there.
        writeBytes(m_dir->filePath(u"blocker"_s), "x");
        m_places.program.directory = m_dir->filePath(u"blocker/program"_s);
        QCOMPARE(chooseDatabase(m_places, MissingSettings::LeaveAlone).databasePath,
                 m_places.userData.defaultDatabase());
        QVERIFY(!QFileInfo::exists(m_places.userData.settingsFile()));

        const DatabaseChoice choice = chooseDatabase(m_places, MissingSettings::Create);
        QCOMPARE(choice.databasePath, m_places.userData.defaultDatabase());
        QCOMPARE(choice.settingsFile, m_places.userData.settingsFile());
        QCOMPARE(fileBytes(m_places.userData.settingsFile()),
                 (m_places.userData.defaultDatabase() + u"\r\n"_s).toUtf8());

        // The next start, and donguri-kb, remember what the user folder holds.
        writeBytes(m_places.userData.settingsFile(), "/elsewhere.mdb\r\n");
        for (const MissingSettings missing : {MissingSettings::Create, MissingSettings::LeaveAlone})
            QCOMPARE(chooseDatabase(m_places, missing).databasePath, u"/elsewhere.mdb"_s);
    }

    void nowhereToWriteStillGivesTheDefault()
    {
        writeBytes(m_dir->filePath(u"blocker"_s), "x");
        m_places.program.directory = m_dir->filePath(u"blocker/program"_s);
        m_places.userData.directory = m_dir->filePath(u"blocker/user"_s);
        for (const MissingSettings missing :
             {MissingSettings::Create, MissingSettings::LeaveAlone}) {
            const DatabaseChoice choice = chooseDatabase(m_places, missing);
            QCOMPARE(choice.databasePath, m_places.userData.defaultDatabase());
            QCOMPARE(choice.settingsFile, m_places.userData.settingsFile());
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    DatabasePlaces m_places;
};

QTEST_GUILESS_MAIN(TestDatabaseLocation)
#include "test_database_location.moc"

#include "module1.h"
#include "shared_state.h"
#include "test_env.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;

class TestModule1 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir(m_dir->path()).mkpath(QStringLiteral("program"));
        m_places = {{m_dir->filePath(QStringLiteral("program"))},
                    {m_dir->filePath(QStringLiteral("user/data"))}};
        m_state = SharedState();
        m_shown = 0;
    }

    void firstRunCreatesTheSettingsFileWithTheDefaultPath()
    {
        run();
        const QString expected = m_places.program.directory + QStringLiteral("/どんぐりくん.mdb");
        QCOMPARE(m_state.DatabasePath, expected);
        QCOMPARE(fileBytes(m_places.program.settingsFile()), (expected + QStringLiteral("\r\n")).toUtf8());
        QCOMPARE(m_state.SettingsFile, m_places.program.settingsFile());
        QCOMPARE(m_shown, 1);
    }

    void theFirstLineIsTakenAsItIs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two lines") << QByteArray("/a.mdb\r\n/b.mdb\r\n") << QStringLiteral("/a.mdb");
        QTest::newRow("blanks") << QByteArray(" /a.mdb \r\n") << QStringLiteral(" /a.mdb ");
        QTest::newRow("lone CR") << QByteArray("/a.mdb\r") << QStringLiteral("/a.mdb");
        QTest::newRow("empty line") << QByteArray("\r\n") << QString();
    }
    void theFirstLineIsTakenAsItIs()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        writeBytes(m_places.program.settingsFile(), bytes);
        run();
        QCOMPARE(m_state.DatabasePath, expected);
        QCOMPARE(fileBytes(m_places.program.settingsFile()), bytes);
    }

    void anEmptyFileGivesTheDefaultAndStaysEmpty()
    {
        writeBytes(m_places.program.settingsFile(), {});
        run();
        QCOMPARE(m_state.DatabasePath, m_places.program.defaultDatabase());
        QVERIFY(QFileInfo::exists(m_places.program.settingsFile()));
        QCOMPARE(QFileInfo(m_places.program.settingsFile()).size(), 0);
    }

    void aProgramFolderThatCannotHoldFilesFallsBackToTheUserFolder()
    {
        // The program "folder" lies below a plain file: nothing can be created there.
        writeBytes(m_dir->filePath(QStringLiteral("blocker")), "x");
        m_places.program.directory = m_dir->filePath(QStringLiteral("blocker/program"));
        run();
        QCOMPARE(m_state.DatabasePath, m_places.userData.defaultDatabase());
        QCOMPARE(m_state.SettingsFile, m_places.userData.settingsFile());
        QCOMPARE(fileBytes(m_places.userData.settingsFile()),
                 (m_places.userData.defaultDatabase() + QStringLiteral("\r\n")).toUtf8());

        // The next start remembers what the user folder holds.
        writeBytes(m_places.userData.settingsFile(), "/elsewhere.mdb\r\n");
        run();
        QCOMPARE(m_state.DatabasePath, QStringLiteral("/elsewhere.mdb"));
    }

    void nowhereToWriteStillStartsWithTheDefault()
    {
        writeBytes(m_dir->filePath(QStringLiteral("blocker")), "x");
        m_places.program.directory = m_dir->filePath(QStringLiteral("blocker/program"));
        m_places.userData.directory = m_dir->filePath(QStringLiteral("blocker/user"));
        run();
        QCOMPARE(m_state.DatabasePath, m_places.userData.defaultDatabase());
        QCOMPARE(m_shown, 1);
    }

private:
    void run()
    {
        Module1::Main(m_state, m_places, [this] { ++m_shown; });
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    Module1::Places m_places;
    SharedState m_state;
    int m_shown = 0;
};

QTEST_GUILESS_MAIN(TestModule1)
#include "test_module1.moc"

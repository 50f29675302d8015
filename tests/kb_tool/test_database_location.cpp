#include "database_location.h"
#include "test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::kbtool;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// donguri-kb must land on the file the program itself opens at start-up, without creating
// settings files on the way.
class TestDatabaseLocation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir(m_dir->path()).mkpath(u"program"_s);
        QDir(m_dir->path()).mkpath(u"user/data"_s);
        m_places = {{m_dir->filePath(u"program"_s)}, {m_dir->filePath(u"user/data"_s)}};
    }

    void theProgramFolderSettingsComeFirst()
    {
        writeBytes(m_places.program.settingsFile(), "/kb/a.mdb\r\n/kb/b.mdb\r\n");
        writeBytes(m_places.userData.settingsFile(), "/kb/user.mdb\r\n");
        QCOMPARE(configuredDatabase(m_places), u"/kb/a.mdb"_s);
    }

    void anEmptySettingsFileMeansTheDefault()
    {
        writeBytes(m_places.program.settingsFile(), {});
        QCOMPARE(configuredDatabase(m_places), m_places.program.defaultDatabase());
    }

    void noSettingsFileMeansTheProgramFolderDefaultAndNoFileIsWritten()
    {
        writeBytes(m_places.userData.settingsFile(), "/kb/user.mdb\r\n");
        QCOMPARE(configuredDatabase(m_places), m_places.program.defaultDatabase());
        QVERIFY(!QFileInfo::exists(m_places.program.settingsFile()));
    }

    void aProgramFolderThatCannotHoldFilesDefersToTheUserFolder()
    {
        writeBytes(m_dir->filePath(u"blocker"_s), "x");
        m_places.program.directory = m_dir->filePath(u"blocker/program"_s);
        QCOMPARE(configuredDatabase(m_places), m_places.userData.defaultDatabase());
        writeBytes(m_places.userData.settingsFile(), "/kb/user.mdb\r\n");
        QCOMPARE(configuredDatabase(m_places), u"/kb/user.mdb"_s);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    DatabasePlaces m_places;
};

QTEST_GUILESS_MAIN(TestDatabaseLocation)
#include "test_database_location.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/module1.h"
#include "support/test_env.h"
#include "ui/shared_state.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;

// Start-up takes the knowledge base the settings rule names (tested on its own), then shows the
// main window once.
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
        QCOMPARE(fileBytes(m_places.program.settingsFile()),
                 (expected + QStringLiteral("\r\n")).toUtf8());
        QCOMPARE(m_state.SettingsFile, m_places.program.settingsFile());
        QCOMPARE(m_shown, 1);
    }

    void aProgramFolderThatCannotHoldFilesKeepsItsSettingsInTheUserFolder()
    {
        writeBytes(m_dir->filePath(QStringLiteral("blocker")), "x");
        m_places.program.directory = m_dir->filePath(QStringLiteral("blocker/program"));
        QDir().mkpath(m_places.userData.directory);
        writeBytes(m_places.userData.settingsFile(), "/elsewhere.mdb\r\n");
        run();
        QCOMPARE(m_state.DatabasePath, QStringLiteral("/elsewhere.mdb"));
        QCOMPARE(m_state.SettingsFile, m_places.userData.settingsFile());
        QCOMPARE(m_shown, 1);
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
    DatabasePlaces m_places;
    SharedState m_state;
    int m_shown = 0;
};

QTEST_GUILESS_MAIN(TestModule1)
#include "test_module1.moc"

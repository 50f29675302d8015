// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/form5.h"
#include "settings/settings_file.h"
#include "support/test_env.h"
#include "support/window_run.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestForm5 : public WindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        writeSettingsLine(m_run->state.SettingsFile, m_run->state.DatabasePath);
    }

    void itShowsTheStoredFirstLine()
    {
        writeBytes(m_run->state.SettingsFile, " /data/one.mdb \r\n/data/two.mdb\r\n");
        Form5 *settings = open();
        QCOMPARE(settings->windowTitle(), u"ファイル設定"_s);
        QCOMPARE(settings->size(), QSize(365, 36));
        QCOMPARE(settings->pathBox()->text(), u" /data/one.mdb "_s);
        QCOMPARE(settings->findChild<QPushButton *>(u"Command1"_s)->text(), u"参照"_s);
        QCOMPARE(settings->findChild<QPushButton *>(u"Command2"_s)->text(), u"登録"_s);
    }

    void aMissingSettingsFileIsCreatedEmpty()
    {
        QFile::remove(m_run->state.SettingsFile);
        Form5 *settings = open();
        QCOMPARE(settings->pathBox()->text(), QString());
        QVERIFY(QFile::exists(m_run->state.SettingsFile));
        QCOMPARE(QFileInfo(m_run->state.SettingsFile).size(), 0);
    }

    // A FIFO as the settings file: the window opens at once, shows nothing, leaves it be.
    void aSettingsFileThatIsNoPlainFileIsNotRead()
    {
        QFile::remove(m_run->state.SettingsFile);
        QVERIFY(makeFifo(m_run->state.SettingsFile));
        Form5 *settings = nullptr;
        {
            FifoRelease release(m_run->state.SettingsFile, 5000);
            settings = open();
            QVERIFY2(!release.wasNeeded(), "the window waited for a writer to the FIFO");
        }
        QCOMPARE(settings->pathBox()->text(), QString());
        QVERIFY(isFifo(m_run->state.SettingsFile));
    }

    void choosingAndRegisteringStoresThePath()
    {
        const QString other = m_run->file(u"other/どんぐりくん.mdb"_s);
        Form5 *settings = open();
        m_run->chooser.answers = {other};
        settings->Command1_Click();
        QCOMPARE(m_run->chooser.calls.size(), 1);
        QCOMPARE(m_run->chooser.calls[0].filters.size(), 1);
        QCOMPARE(m_run->chooser.calls[0].filters[0].label, u"どんぐりくん ファイル"_s);
        QCOMPARE(m_run->chooser.calls[0].filters[0].patterns, u"どんぐりくん.mdb"_s);
        QCOMPARE(settings->pathBox()->text(), other);

        settings->Command2_Click();
        QVERIFY(!settings->isVisible());
        QCOMPARE(fileBytes(m_run->state.SettingsFile), (other + u"\r\n"_s).toUtf8());
        QCOMPARE(m_run->state.DatabasePath, other);
    }

    // A server's address typed into the box is stored and used as it stands, password and
    // all; 参照 still offers files only.
    void aServerAddressTypedInIsRegistered()
    {
        const QString uri = u"postgresql://kb.example.lan/donguri?sslmode=require"_s;
        Form5 *settings = open();
        QVERIFY(settings->pathBox()->toolTip().contains(u"postgresql://"_s));
        settings->pathBox()->clear();
        QTest::keyClicks(settings->pathBox(), uri);
        settings->Command2_Click();
        QVERIFY(!settings->isVisible());
        QCOMPARE(fileBytes(m_run->state.SettingsFile), (uri + u"\r\n"_s).toUtf8());
        QCOMPARE(m_run->state.DatabasePath, uri);
        QCOMPARE(open()->pathBox()->text(), uri); // read back at the next opening
    }

    void cancellingKeepsWhatWasTyped()
    {
        Form5 *settings = open();
        settings->pathBox()->setText(u"/手で/打った.mdb"_s);
        m_run->chooser.answers = {std::nullopt};
        settings->Command1_Click();
        QCOMPARE(settings->pathBox()->text(), u"/手で/打った.mdb"_s);
    }

    void closingWithoutRegisteringChangesNothing()
    {
        const QByteArray before = fileBytes(m_run->state.SettingsFile);
        const QString path = m_run->state.DatabasePath;
        Form5 *settings = open();
        m_run->chooser.answers = {u"/elsewhere/どんぐりくん.mdb"_s};
        settings->Command1_Click();
        settings->close();
        QCOMPARE(m_run->state.DatabasePath, path);
        QCOMPARE(fileBytes(m_run->state.SettingsFile), before);
    }

    // An empty path would open nothing, and no question would ever be answered again.
    void anEmptyBoxStoresTheDefaultKnowledgeBase()
    {
        m_run->state.DatabasePath = m_run->file(u"elsewhere.mdb"_s);
        Form5 *settings = open();
        settings->pathBox()->clear();
        settings->Command2_Click();
        QVERIFY(!settings->isVisible());
        const QString defaultPath = m_run->file(u"どんぐりくん.mdb"_s);
        QCOMPARE(fileBytes(m_run->state.SettingsFile), (defaultPath + u"\r\n"_s).toUtf8());
        QCOMPARE(m_run->state.DatabasePath, defaultPath);
        QCOMPARE(open()->pathBox()->text(), defaultPath);
    }

    // Typed as it stood on another system: stored as typed, used as the file of that name.
    void aDriveLetterPathIsStoredAsTypedAndUsedByItsName()
    {
        const QString windowsPath = u"C:\\Program Files\\Donguri\\古い.mdb"_s;
        Form5 *settings = open();
        settings->pathBox()->setText(windowsPath);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"a drive-letter path"_s));
        settings->Command2_Click();
        QVERIFY(!settings->isVisible());
        QCOMPARE(fileBytes(m_run->state.SettingsFile), (windowsPath + u"\r\n"_s).toUtf8());
        QCOMPARE(m_run->state.DatabasePath, m_run->file(u"古い.mdb"_s));
        QCOMPARE(open()->pathBox()->text(), windowsPath);
    }

    void aSettingsFileThatCannotBeWrittenKeepsTheWindowOpen()
    {
        // The settings "file" is a folder: it can be neither read nor replaced.
        m_run->state.SettingsFile = m_run->dir.path();
        Form5 *settings = open();
        settings->pathBox()->setText(u"/new/どんぐりくん.mdb"_s);
        settings->Command2_Click();
        QVERIFY(settings->isVisible());
        QCOMPARE(settings->pathBox()->text(), u"/new/どんぐりくん.mdb"_s);
        auto *problem = settings->findChild<QLabel *>(u"ProblemLine"_s);
        QVERIFY(problem->isVisibleTo(settings));
        QVERIFY(problem->text().contains(u"保存できませんでした"_s));
        QVERIFY(settings->height() > 36);
        // The path is used for this run all the same.
        QCOMPARE(m_run->state.DatabasePath, u"/new/どんぐりくん.mdb"_s);
    }

private:
    Form5 *open() { return m_run->keep(new Form5(m_run->state, m_run->chooser)); }
};

QTEST_MAIN(TestForm5)
#include "test_form5.moc"

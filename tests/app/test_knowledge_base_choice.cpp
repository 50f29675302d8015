// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The knowledge base start-up or the settings window chose, as the question bar then answers
// from it: a name that opens nothing never leaves the bar silent, a new file is announced, and a
// path from an old installation on another system is read as a file name.
#include "app/module1.h"
#include "kb/file_knowledge_base.h"
#include "support/test_env.h"
#include "support/test_run.h"

#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

const QString StatusKeyword = u"どんぐり君＿ステータス"_s;
const QString NotKnown = u"Speak 知りません。教えてください。"_s;

// "C:\Program Files\Donguri\どんぐりくん.mdb" as an older installation wrote it, in Shift_JIS.
const QByteArray OldDriveLetterSettings =
    "C:\\Program Files\\Donguri\\\x82\xc7\x82\xf1\x82\xae\x82\xe8\x82\xad\x82\xf1.mdb\r\n";

QString announcement(const QString &name)
{
    return u"Speak 新しい知識ファイルを作りました。"_s + name;
}

} // namespace

class TestKnowledgeBaseChoice : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { m_startFolder = QDir::currentPath(); }

    // The program folder is the run's own; the program is started from another folder, where
    // nothing may appear.
    void init()
    {
        m_run = std::make_unique<TestRun>();
        m_places = {{m_run->dir.path()}, {m_run->file(u"user/data"_s)}};
        QVERIFY(QDir().mkpath(m_run->file(u"started-from"_s)));
        QVERIFY(QDir::setCurrent(m_run->file(u"started-from"_s)));
    }
    void cleanup()
    {
        QVERIFY(QDir::setCurrent(m_startFolder));
        m_run.reset();
    }

    void aKnowledgeBaseNamedAtStartUpIsAnnouncedOnceMade_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("answer");
        QTest::newRow("a word it does not know")
            << u"くぬぎ"_s << QStringList{NotKnown, u"Play decline"_s};
        QTest::newRow("the status question")
            << StatusKeyword << QStringList{u"Play read"_s, u"Speak 現在の登録件数は 0 件です。"_s};
    }
    void aKnowledgeBaseNamedAtStartUpIsAnnouncedOnceMade()
    {
        QFETCH(QString, question);
        QFETCH(QStringList, answer);
        const QString typo = m_run->file(u"どんぐりくん.mbd"_s);
        writeBytes(m_places.program.settingsFile(), (typo + u"\r\n"_s).toUtf8());
        start();
        QCOMPARE(m_run->state.DatabasePath, typo);

        ask(question);
        QCOMPARE(log().requests(), QStringList{announcement(u"どんぐりくん.mbd"_s)} + answer);
        QVERIFY(QFileInfo::exists(typo));
        QCOMPARE(m_run->form().teachWindow() != nullptr, question != StatusKeyword);
        ask(question);
        QCOMPARE(log().requests(), answer);
    }

    void aFirstStartSaysNothingOfItsNewKnowledgeBase()
    {
        start();
        QVERIFY(QFileInfo::exists(m_places.program.settingsFile()));
        ask(u"くぬぎ"_s);
        QCOMPARE(log().requests(), (QStringList{NotKnown, u"Play decline"_s}));
    }

    // The window closes as for any path; the next question makes the file and says so first.
    void aPathToNoFileRegisteredIsAnnouncedOnceMade()
    {
        start();
        const QString typo = m_run->file(u"どんぐりくん.mbd"_s);
        registerPath(typo);
        QCOMPARE(fileBytes(m_places.program.settingsFile()), (typo + u"\r\n"_s).toUtf8());
        QVERIFY(!QFileInfo::exists(typo));

        ask(StatusKeyword);
        QCOMPARE(log().requests(), (QStringList{announcement(u"どんぐりくん.mbd"_s), u"Play read"_s,
                                                u"Speak 現在の登録件数は 0 件です。"_s}));
        ask(u"くぬぎ"_s);
        QCOMPARE(log().requests(), (QStringList{NotKnown, u"Play decline"_s}));
    }

    void registeringAnExistingFileAnnouncesNothing()
    {
        start();
        const QString other = m_run->file(u"other.mdb"_s);
        FileKnowledgeBase(other).add(u"かし"_s, u"樫"_s, {});
        registerPath(other);
        ask(u"かし"_s);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 樫"_s}));
    }

    // An empty box and an empty first line both mean the default knowledge base.
    void anEmptyBoxKeepsTheBarAnswering()
    {
        start();
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        registerPath(QString());
        QCOMPARE(fileBytes(m_places.program.settingsFile()),
                 (m_places.program.defaultDatabase() + u"\r\n"_s).toUtf8());
        ask(u"どんぐり"_s);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 木の実"_s}));

        // And so does the next start.
        QCOMPARE(chooseDatabase(m_places, MissingSettings::Create).databasePath,
                 m_places.program.defaultDatabase());
    }

    void anEmptyFirstLineKeepsTheBarAnswering()
    {
        FileKnowledgeBase(m_places.program.defaultDatabase()).add(u"どんぐり"_s, u"木の実"_s, {});
        writeBytes(m_places.program.settingsFile(), "\r\n");
        start();
        ask(u"どんぐり"_s);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 木の実"_s}));
        QCOMPARE(fileBytes(m_places.program.settingsFile()), QByteArray("\r\n"));
    }

    // The file of the path's name beside the program is used; without one, one is made there
    // and announced. Nothing is made under the drive-letter path itself, and the settings file is
    // left as it was.
    void aDriveLetterPathFromAnOldInstallationNamesAFileBesideTheProgram_data()
    {
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<QStringList>("answer");
        QTest::newRow("its file beside the program")
            << true << QStringList{u"Play announce"_s, u"Speak 木の実"_s};
        QTest::newRow("none yet") << false
                                  << QStringList{announcement(u"どんぐりくん.mdb"_s), NotKnown,
                                                 u"Play decline"_s};
    }
    void aDriveLetterPathFromAnOldInstallationNamesAFileBesideTheProgram()
    {
        QFETCH(bool, fileThere);
        QFETCH(QStringList, answer);
        const QString beside = m_places.program.defaultDatabase();
        if (fileThere)
            FileKnowledgeBase(beside).add(u"どんぐり"_s, u"木の実"_s, {});
        writeBytes(m_places.program.settingsFile(), OldDriveLetterSettings);
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(u"C:\\\\Program Files\\\\Donguri\\\\どんぐりくん.mdb"
                                             u".*a drive-letter path.* "_s
                                             + QRegularExpression::escape(beside)));
        start();
        QCOMPARE(m_run->state.DatabasePath, beside);
        ask(u"どんぐり"_s);
        QCOMPARE(log().requests(), answer);
        QCOMPARE(fileBytes(m_places.program.settingsFile()), OldDriveLetterSettings);
        QCOMPARE(filesUnder(m_run->file(u"started-from"_s)), QStringList());
        for (const QString &made : filesUnder(m_run->dir.path()))
            QVERIFY2(!made.contains(u'\\') && !made.contains(u':'), qPrintable(made));
    }

private:
    void start()
    {
        Module1::Main(m_run->state, m_places, [this] { m_run->start(); });
    }

    void ask(const QString &question)
    {
        log().clear();
        m_run->ask(question);
    }

    // Types `path` into the settings window and presses 登録.
    void registerPath(const QString &path)
    {
        m_run->form().Command5_Click();
        Form5 *settings = m_run->form().settingsWindow();
        QVERIFY(settings);
        settings->pathBox()->setText(path);
        settings->Command2_Click();
        QTRY_VERIFY(!m_run->form().settingsWindow());
    }

    CharacterLog &log() { return m_run->log(); }

    static QStringList filesUnder(const QString &folder)
    {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    QString m_startFolder;
    std::unique_ptr<TestRun> m_run;
    DatabasePlaces m_places;
};

QTEST_MAIN(TestKnowledgeBaseChoice)
#include "test_knowledge_base_choice.moc"

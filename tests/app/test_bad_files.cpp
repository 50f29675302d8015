// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The knowledge-base path naming something that is not a usable knowledge base, or one this user
// may not write: every window handles it the way it handles any failure of the file, nothing
// crashes, and the file's bytes are the same afterwards.
//
// Permissions mean nothing to root, so the cases that rely on them skip there; CTest runs this
// program a second time as an ordinary user (test_bad_files_as_user) to cover them.

#include "kb/file_knowledge_base.h"
#include "support/item_views.h"
#include "support/test_env.h"
#include "support/test_run.h"
#include "ui/kb_problem_text.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTest>

#include <unistd.h>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

const QString StatusKeyword = u"どんぐり君＿ステータス"_s;

// A knowledge base of its own with enough entries to span many pages, closed again, so its
// bytes can be taken apart.
void writeGoodKnowledgeBase(const QString &path)
{
    FileKnowledgeBase kb(path);
    kb.add(u"どんぐり"_s, u"木の実"_s, QString());
    for (int i = 0; i < 300; ++i)
        kb.add(u"言葉%1"_s.arg(i), u"長い意味。"_s.repeated(40), QString());
}

// Every b-tree page after the first (which holds the table definitions) gets a page header that
// no b-tree page has: the file still looks like a knowledge base when opened.
QByteArray withDamagedPages(QByteArray bytes)
{
    const int pageSize = (quint8(bytes[16]) << 8) | quint8(bytes[17]);
    for (qsizetype page = pageSize; page + 8 <= bytes.size(); page += pageSize)
        bytes.replace(page, 8, QByteArray(8, '\xff'));
    return bytes;
}

bool runningAsRoot()
{
    return geteuid() == 0;
}

// The bytes of a file, or the names in a folder.
QByteArray snapshot(const QString &path)
{
    if (QFileInfo(path).isDir())
        return QDir(path).entryList(QDir::AllEntries | QDir::Hidden).join(u'/').toUtf8();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("unreadable");
    return file.readAll();
}

} // namespace

class TestBadFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_run = std::make_unique<TestRun>();
        m_files = std::make_unique<QTemporaryDir>();
        m_good = file(u"good.mdb"_s);
        writeGoodKnowledgeBase(m_good);
    }
    void cleanup()
    {
        m_run.reset();
        // Give back every permission so the temporary folder can be removed.
        for (const QString &name :
             QDir(m_files->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            QFile::setPermissions(file(name),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_files.reset();
    }

    void unusableFilesSayWhatIsWrong_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("sentence"); // %1: the file
        const QString damaged = u"知識ファイル「%1」は壊れています。"_s;
        QTest::newRow("folder") << u"folder"_s << u"知識ファイルの場所「%1」はフォルダです。"_s;
        for (const char *kind : {"empty file", "text file", "truncated knowledge base",
                                 "knowledge base with damaged pages"})
            QTest::newRow(kind) << QString::fromUtf8(kind) << damaged;
        QTest::newRow("file without permission")
            << u"file without permission"_s
            << u"知識ファイル「%1」を読めません（読む権限がありません）。"_s;
        QTest::newRow("another program's database")
            << u"another program's database"_s
            << u"「%1」はほかのプログラムのデータベースです（CSV に書き出して donguri-kb import "
               u"で取り込めます）。"_s;
        QTest::newRow("a table missing a column")
            << u"a table missing a column"_s << u"知識ファイル「%1」の表の形が違います。"_s;
    }

    void unusableFilesSayWhatIsWrong()
    {
        QFETCH(QString, kind);
        QFETCH(QString, sentence);
        if (kind == u"file without permission" && runningAsRoot())
            QSKIP("root may read any file");
        const QString bad = makeUnusable(kind);
        const QByteArray before = snapshot(bad);
        sentence = sentence.arg(kbShownName(bad));

        // Start-up still brings the character out and greets, then says what is wrong.
        m_run->state.DatabasePath = bad;
        {
            const auto startedOnBadFile = m_run->startMainWindow();
            m_run->settle();
            QCOMPARE(log().requests().mid(0, 1), QStringList{u"Show"_s});
            QVERIFY(log().requests().value(1).startsWith(u"Speak "_s));
            // The character's choice lies on the first page, which damage elsewhere spares.
            if (kind != u"knowledge base with damaged pages")
                QCOMPARE(log().requests().last(), u"Speak "_s + sentence);
        }

        // Every window open on a good file, then the path turns to the bad one (as the settings
        // window would do).
        m_run->state.DatabasePath = m_good;
        Form1 &bar = m_run->start();
        m_run->ask(u"くぬぎ"_s);
        Form2 *teach = bar.teachWindow();
        QVERIFY(teach);
        m_run->ask(u"ど*"_s);
        QVERIFY(bar.listWindow());
        QCOMPARE(rowCount(bar.listWindow()->list()), 1);
        bar.Command4_Click();
        Form4 *correct = bar.correctionWindow();
        QVERIFY(correct);
        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        QVERIFY(correct->calledUp());
        m_run->state.DatabasePath = bad;
        log().clear();

        // Every question says so and keeps the question in the box; aloud only the first.
        for (const QString &question : {u"どんぐり"_s, u"ど*"_s, u"*"_s, StatusKeyword}) {
            m_run->ask(question);
            QCOMPARE(
                log().requests(),
                QStringList{(question == u"どんぐり" ? u"Speak "_s : u"ShowText "_s) + sentence});
            QCOMPARE(bar.findChild<QLineEdit *>(u"Text1"_s)->text(), question);
            log().clear();
        }
        QListView *list = bar.listWindow()->list();
        bar.listWindow()->List1_Click(list->model()->index(0, 0));
        m_run->settle();
        QVERIFY(log().entries.isEmpty());

        // Saves are refused in words, with the boxes kept as typed.
        teach->meaning()->setPlainText(u"クヌギの実"_s);
        teach->Command1_Click();
        m_run->settle();
        QVERIFY(problemText(teach).contains(u"登録できませんでした"_s));
        QCOMPARE(teach->meaningText(), u"クヌギの実"_s);
        correct->meaning()->setPlainText(u"直した意味"_s);
        correct->Command1_Click();
        m_run->settle();
        QVERIFY(problemText(correct).contains(u"直せませんでした"_s));
        QCOMPARE(correct->meaningText(), u"直した意味"_s);
        correct->Command3_Click();
        m_run->settle();
        QVERIFY(problemText(correct).contains(u"呼び出せませんでした"_s));
        QVERIFY(log().entries.isEmpty());

        m_run.reset(); // every window and connection closed
        QCOMPARE(snapshot(bad), before);
    }

    void writeProtectedFilesAreReadButNeverWritten_data()
    {
        QTest::addColumn<bool>("folderProtected");
        QTest::newRow("read-only file") << false;
        QTest::newRow("file in a read-only folder") << true;
    }

    void writeProtectedFilesAreReadButNeverWritten()
    {
        QFETCH(bool, folderProtected);
        if (runningAsRoot())
            QSKIP("root may write any file");
        const QString folder = file(u"shared"_s);
        QDir().mkpath(folder);
        const QString path = folder + u"/kb.mdb"_s;
        QFile::copy(m_good, path);
        QFile::setPermissions(path, QFile::ReadOwner);
        if (folderProtected)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray before = snapshot(path);

        m_run->state.DatabasePath = path;
        Form1 &bar = m_run->start();
        m_run->ask(u"どんぐり"_s);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 木の実"_s}));

        log().clear();
        m_run->ask(u"くぬぎ"_s); // unknown: the teach window opens
        Form2 *teach = bar.teachWindow();
        QVERIFY(teach);
        log().clear();
        teach->Command1_Click();
        m_run->settle();
        QVERIFY(problemText(teach).contains(u"登録できませんでした"_s));
        QVERIFY(log().entries.isEmpty());

        bar.Command4_Click();
        Form4 *correct = bar.correctionWindow();
        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        QCOMPARE(correct->meaningText(), u"木の実"_s);
        correct->meaning()->setPlainText(u"直した意味"_s);
        log().clear();
        correct->Command1_Click();
        m_run->settle();
        QVERIFY(problemText(correct).contains(u"直せませんでした"_s));
        QVERIFY(log().entries.isEmpty());

        m_run->ask(StatusKeyword);
        QCOMPARE(log().requests().last(), u"Speak 現在の登録件数は 301 件です。"_s);

        m_run.reset();
        QCOMPARE(snapshot(path), before);
    }

private:
    CharacterLog &log() { return m_run->log(); }
    QString file(const QString &name) const { return m_files->filePath(name); }

    QString makeUnusable(const QString &kind)
    {
        const QString path = file(u"bad.mdb"_s);
        if (kind == u"folder") {
            QDir().mkpath(path);
        } else if (kind == u"empty file") {
            writeBytes(path, {});
        } else if (kind == u"text file") {
            writeBytes(path, "どんぐり\t木の実\r\n"_ba);
        } else if (kind == u"truncated knowledge base") {
            const QByteArray whole = fileBytes(m_good);
            writeBytes(path, whole.left(whole.size() / 2));
        } else if (kind == u"knowledge base with damaged pages") {
            writeBytes(path, withDamagedPages(fileBytes(m_good)));
        } else if (kind == u"file without permission") {
            QFile::copy(m_good, path);
            QFile::setPermissions(path, {});
        } else if (kind == u"another program's database") {
            execSql(path, "CREATE TABLE bookmarks (url TEXT, title TEXT)");
        } else if (kind == u"a table missing a column") {
            QFile::copy(m_good, path);
            execSql(path, "ALTER TABLE 言葉 DROP COLUMN リンク");
        }
        return path;
    }

    std::unique_ptr<TestRun> m_run;
    std::unique_ptr<QTemporaryDir> m_files; // outlives the run, so its files can be read after it
    QString m_good;
};

QTEST_MAIN(TestBadFiles)
#include "test_bad_files.moc"

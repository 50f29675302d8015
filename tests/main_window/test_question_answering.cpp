// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/knowledge_base.h"
#include "kb/open_knowledge_base.h"
#include "support/item_views.h"
#include "support/sample_files.h"
#include "support/test_env.h"
#include "support/test_run.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestQuestionAnswering : public RunTest
{
    Q_OBJECT
private Q_SLOTS:
    void anExactHitIsPresented()
    {
        m_run->kb().add(u"どんぐり"_s, u"ブナ科の木の実。"_s, {});
        m_run->state.IdleCount = 1234;
        m_run->state.SearchWord = u"前の質問"_s;
        ask(u"どんぐり"_s);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak ブナ科の木の実。"_s}));
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(m_run->state.IdleCount, 0);
        QCOMPARE(m_run->state.SearchWord, u"前の質問"_s);
        QVERIFY(!m_run->form().teachWindow() && !m_run->form().listWindow());
    }

    void anUnknownWordAsksToBeTaught()
    {
        m_run->state.IdleCount = 77;
        ask(u"くぬぎ"_s);
        QCOMPARE(log().requests(),
                 (QStringList{u"Speak 知りません。教えてください。"_s, u"Play decline"_s}));
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(m_run->state.SearchWord, u"くぬぎ"_s);
        QCOMPARE(m_run->state.IdleCount, 77);
        QVERIFY(m_run->form().teachWindow());
        QCOMPARE(m_run->form().teachWindow()->wordText(), u"くぬぎ"_s);
    }

    void aPatternWithMatchesAnnouncesTheCountAndOpensTheList()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        m_run->kb().add(u"どんぶり"_s, u"2"_s, {});
        m_run->kb().add(u"くり"_s, u"3"_s, {});
        ask(u"どん*"_s);
        QCOMPARE(log().requests().mid(0, 2),
                 (QStringList{u"Play announce"_s, u"Speak 2件見つかりました。"_s}));
        QCOMPARE(text1()->text(), u"どん*"_s); // kept
        QCOMPARE(m_run->state.SearchWord, u"どん*"_s);
        QVERIFY(m_run->form().listWindow());
        QCOMPARE(listItems(), (QStringList{u"どんぐり"_s, u"どんぶり"_s}));
        // First showing: filled when first made and again on activation, prompting each time.
        QCOMPARE(log().requests().mid(2),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s, u"Play read"_s,
                              u"Speak リストから選んでください。"_s}));
    }

    void patternEdgeCases_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("firstSpeech");
        QTest::newRow("lone star counts every entry") << u"*"_s << u"Speak 3件見つかりました。"_s;
        QTest::newRow("one match still goes to the list")
            << u"くり*"_s << u"Speak 1件見つかりました。"_s;
        QTest::newRow("no match is not known")
            << u"かき*"_s << u"Speak 知りません。教えてください。"_s;
        QTest::newRow("empty question is a word")
            << QString() << u"Speak 知りません。教えてください。"_s;
    }
    void patternEdgeCases()
    {
        QFETCH(QString, question);
        QFETCH(QString, firstSpeech);
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        m_run->kb().add(u"どんぶり"_s, u"2"_s, {});
        m_run->kb().add(u"くり"_s, u"3"_s, {});
        ask(question);
        QVERIFY(log().requests().contains(firstSpeech));
        QCOMPARE(m_run->state.SearchWord, question);
        if (firstSpeech.contains(u"知りません"_s))
            QCOMPARE(m_run->form().teachWindow()->wordText(), question);
        else
            QVERIFY(m_run->form().listWindow());
    }

    // A pattern is looked at away from the bar: the bar is free at once, and the answer follows
    // as it would have come, the list opening with the words the question found: nothing is
    // read again for it.
    void aPatternAnswersWhenItsPassIsDone()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        m_run->kb().add(u"くり"_s, u"2"_s, {});
        m_run->kb().add(u"かし"_s, u"3"_s, {});
        press(u"*り"_s);
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(text1()->text(), u"*り"_s);
        QTRY_VERIFY(m_run->form().listWindow());
        QCOMPARE(log().requests(),
                 (QStringList{u"Play announce"_s, u"Speak 2件見つかりました。"_s, u"Play read"_s,
                              u"Speak リストから選んでください。"_s, u"Play read"_s,
                              u"Speak リストから選んでください。"_s}));
        QCOMPARE(listItems(), (QStringList{u"どんぐり"_s, u"くり"_s}));
        QCOMPARE(m_run->state.questions().unanswered(), 0);
        QCOMPARE(m_run->state.SearchWord, u"*り"_s);
    }

    // The knowledge base is changed in 設定 while a pattern is looked up: the count comes from
    // where it was asked, and the list reads its rows where the user has gone rather than show
    // entries of the other knowledge base under their IDs.
    void aListOpenedAfterTheKnowledgeBaseChangedReadsTheNewOne()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        m_run->kb().add(u"やまぐり"_s, u"2"_s, {});
        QTemporaryDir elsewhere;
        const QString other = elsewhere.filePath(u"別.mdb"_s);
        openKnowledgeBase(other)->add(u"しばぐり"_s, u"3"_s, {});
        press(u"*ぐり"_s);
        m_run->state.DatabasePath = other;
        QTRY_VERIFY(m_run->form().listWindow());
        QCOMPARE(log().requests().mid(0, 2),
                 (QStringList{u"Play announce"_s, u"Speak 2件見つかりました。"_s}));
        QTRY_COMPARE(listItems(), QStringList{u"しばぐり"_s});
    }

    void aLaterQuestionTakesOverFromOneNotYetAnswered()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        press(u"*ぐ*"_s);
        ask(u"どんぐり"_s); // asked before the pattern's answer came
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 木の実"_s}));
        QTest::qWait(200);
        QCOMPARE(log().requests().size(), 2);
        QVERIFY(!m_run->form().listWindow());
    }

    void aPassThatFindsNothingLeavesNewTypingAlone()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        press(u"*ない*"_s);
        text1()->setText(u"書きかけ"_s); // typed while the pass ran
        QTRY_VERIFY(m_run->form().teachWindow());
        QCOMPARE(m_run->form().teachWindow()->wordText(), u"*ない*"_s);
        QCOMPARE(text1()->text(), u"書きかけ"_s);
    }

    void theStatusKeywordReportsTheCountEvenIfItIsAWord()
    {
        for (int i = 0; i < 11; ++i)
            m_run->kb().add(u"言葉%1"_s.arg(i), u"意味"_s, {});
        m_run->kb().add(u"どんぐり君＿ステータス"_s, u"これは読まれない"_s, {});
        m_run->state.IdleCount = 5;
        ask(u"どんぐり君＿ステータス"_s);
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak 現在の登録件数は 12 件です。"_s}));
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(m_run->state.IdleCount, 5);

        log().clear();
        ask(u"どんぐり君_ステータス"_s); // ASCII low line: an ordinary word
        QCOMPARE(log().requests().first(), u"Speak 知りません。教えてください。"_s);
    }

    // A question that cannot be answered says why and keeps the question. The voice says it
    // once; the balloon shows it every time; a good answer after it starts over.
    void aFailureSaysWhyAndKeepsTheQuestion()
    {
        const QString good = m_run->state.DatabasePath;
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        m_run->state.DatabasePath = m_run->dir.path(); // a folder: cannot be opened
        const QString sentence =
            u"知識ファイルの場所「%1」はフォルダです。"_s.arg(m_run->dir.path());
        ask(u"どんぐり"_s);
        QCOMPARE(log().requests(), QStringList{u"Speak "_s + sentence});
        QCOMPARE(text1()->text(), u"どんぐり"_s);
        QVERIFY(!m_run->form().teachWindow());
        log().clear();
        ask(u"ど*"_s);
        QCOMPARE(log().requests(), QStringList{u"ShowText "_s + sentence});
        QVERIFY(!m_run->form().listWindow());

        m_run->state.DatabasePath = good;
        log().clear();
        ask(u"どんぐり"_s);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 木の実"_s}));
        m_run->state.DatabasePath = m_run->dir.path();
        log().clear();
        ask(u"どんぐり"_s);
        QCOMPARE(log().requests(), QStringList{u"Speak "_s + sentence});
    }

    void anEntryWithoutMeaningIsAFailure()
    {
        m_run->kb().add(u"空"_s, u"x"_s, {});
        execSql(m_run->state.DatabasePath, "UPDATE 言葉 SET 意味 = NULL");
        QGuiApplication::clipboard()->setText(u"元のまま"_s);
        check1()->setChecked(true);
        ask(u"空"_s);
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"元のまま"_s);
        QCOMPARE(text1()->text(), u"空"_s);
    }

    void onlyF1AsksFromTheQuestionBox()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        text1()->setText(u"どんぐり"_s);
        QTest::keyClick(text1(), Qt::Key_Return);
        QTest::keyClick(text1(), Qt::Key_Enter);
        QTest::keyClick(text1(), Qt::Key_F2);
        QVERIFY(log().entries.isEmpty());
        QTest::keyClick(text1(), Qt::Key_F1, Qt::ShiftModifier);
        m_run->settle();
        QCOMPARE(log().requests().last(), u"Speak 木の実"_s);

        log().clear();
        text1()->setText(u"どんぐり"_s);
        QTest::mouseDClick(&m_run->form(), Qt::LeftButton, {}, QPoint(300, 55));
        m_run->settle();
        QCOMPARE(log().requests().last(), u"Speak 木の実"_s);
    }

    void typedJapaneseIsAskedAsTyped()
    {
        m_run->kb().add(u"ぐ"_s, u"一文字"_s, {});
        text1()->clear();
        text1()->setFocus();
        QInputMethodEvent commit;
        commit.setCommitString(u"ぐ"_s);
        QCoreApplication::sendEvent(text1(), &commit);
        QTest::keyClick(text1(), Qt::Key_F1);
        m_run->settle();
        QCOMPARE(log().requests().last(), u"Speak 一文字"_s);
    }

    // What an input method leaves in the box: blanks around the word, full-width letters,
    // half-width katakana, the full-width asterisk. What is taught is what was typed.
    void questionsAsAnInputMethodTypesThem_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("searchWord"); // for the list or the teach window
        const QStringList kinomi = {u"Play announce"_s, u"Speak 木の実"_s};
        const QStringList unknown = {u"Speak 知りません。教えてください。"_s, u"Play decline"_s};
        QTest::newRow("a full-width space after it") << u"どんぐり\u3000"_s << kinomi << QString();
        QTest::newRow("blanks, a tab and a line break around it")
            << u" \u3000どんぐり\t\n"_s << kinomi << QString();
        QTest::newRow("full-width letters")
            << u"ＤＯＮ"_s << QStringList{u"Play announce"_s, u"Speak ドン"_s} << QString();
        QTest::newRow("half-width katakana")
            << u"ｸﾇｷﾞ"_s << QStringList{u"Play announce"_s, u"Speak 櫟"_s} << QString();
        QTest::newRow("a full-width asterisk as the wildcard")
            << u"どん＊"_s << QStringList{u"Play announce"_s, u"Speak 2件見つかりました。"_s}
            << u"どん*"_s;
        // Found as typed first: a word holding a full-width asterisk is a word.
        QTest::newRow("a word with a full-width asterisk in it")
            << u"星＊"_s << QStringList{u"Play announce"_s, u"Speak 記号"_s} << QString();
        QTest::newRow("a full-width pattern that matches nothing")
            << u"くり＊"_s << unknown << u"くり＊"_s;
        QTest::newRow("an unknown word in full-width letters")
            << u"ＸＹＺ　"_s << unknown << u"ＸＹＺ"_s;
    }

    void questionsAsAnInputMethodTypesThem()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, said);
        QFETCH(QString, searchWord);
        m_run->kb().addAll(QList<NewEntry>{{u"どんぐり"_s, u"木の実"_s, {}},
                                           {u"どんな"_s, u"どのような"_s, {}},
                                           {u"DON"_s, u"ドン"_s, {}},
                                           {u"クヌギ"_s, u"櫟"_s, {}},
                                           {u"星＊"_s, u"記号"_s, {}}});
        ask(typed);
        // The list's own prompts follow a count (see above).
        QCOMPARE(log().requests().mid(0, 2), said);
        if (!searchWord.isEmpty())
            QCOMPARE(m_run->state.SearchWord, searchWord);
    }

    void theClipboardGetsExactlyTheMeaningWhenTicked()
    {
        const QString meaning = u"  前後に空白と\n改行のある意味  "_s;
        m_run->kb().add(u"どんぐり"_s, meaning, {});
        QGuiApplication::clipboard()->setText(u"前からあった"_s);
        ask(u"どんぐり"_s);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"前からあった"_s);
        check1()->setChecked(true);
        ask(u"どんぐり"_s);
        QCOMPARE(QGuiApplication::clipboard()->text(), meaning);
    }

    // A meaning too long to read while the bar waits: the character gets its beginning at
    // once, the clipboard the whole meaning a moment later, unless a later answer came first.
    void aHugeMeaningIsSpokenByItsBeginningAndCopiedWhole()
    {
        const QString huge = u"ブナ科の木の実。"_s.repeated(20000);
        m_run->kb().add(u"どんぐり"_s, huge, {});
        m_run->kb().add(u"くぬぎ"_s, u"ブナ科の落葉高木"_s, {});
        check1()->setChecked(true);
        QGuiApplication::clipboard()->setText(u"前からあった"_s);
        ask(u"どんぐり"_s);
        const QString spoken = log().requests().last();
        QVERIFY(spoken.startsWith(u"Speak ブナ科の木の実。"_s));
        QVERIFY(spoken.size() < huge.size() / 2);
        QVERIFY(huge.startsWith(spoken.mid(6)));
        QCOMPARE(m_run->state.IdleCount, 0);
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), huge);

        ask(u"どんぐり"_s);
        ask(u"くぬぎ"_s);
        QThreadPool::globalInstance()->waitForDone(); // the first copy has been read meanwhile
        QCoreApplication::processEvents();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"ブナ科の落葉高木"_s);
    }

    void aLocalDocumentIsShownBeforeTheCharacterSpeaks()
    {
        const QString page = m_run->file(u"page.html"_s);
        writeBytes(page, u"<html><body><h1>どんぐりの話</h1></body></html>"_s.toUtf8());
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, page);
        QUrl shownWhenAnnounced;
        log().onEntry = [&](const QString &entry) {
            if (entry.endsWith(u"Play announce"_s) && m_run->links.documentWindow())
                shownWhenAnnounced = m_run->links.documentWindow()->source();
        };
        ask(u"どんぐり"_s);
        QCOMPARE(shownWhenAnnounced, QUrl::fromLocalFile(page));
        QVERIFY(m_run->links.documentWindow()->isVisible());
        QVERIFY(m_run->links.documentWindow()->plainText().contains(u"どんぐりの話"_s));
        QVERIFY(m_run->browser.opened.isEmpty());
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 木の実"_s}));
    }

    void aWebAddressGoesToTheBrowserAndTheSpeechFollows()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, u"https://example.org/donguri の話"_s);
        ask(u"どんぐり"_s);
        QCOMPARE(m_run->browser.opened.size(), 1);
        QVERIFY(m_run->browser.opened.first().isValid());
        QCOMPARE(m_run->browser.opened.first().host(), u"example.org"_s);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 木の実"_s}));
    }

    void documentsAreShownWhateverTheirModeBits_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("page") << u"page.html"_s << QByteArray("<html><body>x</body></html>");
        QTest::newRow("text") << u"memo.txt"_s << u"覚え書き"_s.toUtf8();
        QTest::newRow("picture") << u"acorn.png"_s << pictureBytes();
    }
    void documentsAreShownWhateverTheirModeBits()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        writeBytes(m_run->file(name), bytes);
        QVERIFY(QFile::setPermissions(m_run->file(name), EveryBit));
        m_run->kb().add(u"文書"_s, u"意味"_s, name);
        ask(u"文書"_s);
        QVERIFY(m_run->links.documentWindow());
        QVERIFY(m_run->links.documentWindow()->isVisible());
        QCOMPARE(m_run->links.documentWindow()->source(), QUrl::fromLocalFile(m_run->file(name)));
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 意味"_s}));
    }

    void linksThatCouldRunSomethingAreNeverOpened_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("program named like a page") << u"tool.html"_s;
        QTest::newRow("MZ program named like a page") << u"setup.htm"_s;
        QTest::newRow("script named like a text") << u"notes.txt"_s;
        QTest::newRow("shell script") << u"run.sh"_s;
        QTest::newRow("missing file") << u"/no/such/file.html"_s;
        QTest::newRow("javascript scheme") << u"javascript:alert(1)"_s;
        QTest::newRow("other scheme") << u"ftp://example.org/x"_s;
        QTest::newRow("desktop file") << u"app.desktop"_s;
    }
    void linksThatCouldRunSomethingAreNeverOpened()
    {
        QFETCH(QString, link);
        writeBytes(m_run->file(u"tool.html"_s), linuxProgramBytes());
        writeBytes(m_run->file(u"setup.htm"_s), windowsProgramBytes());
        const QByteArray touch = "touch '" + m_run->file(u"pwned"_s).toUtf8() + "'";
        writeBytes(m_run->file(u"run.sh"_s), "#!/bin/sh\n" + touch + "\n");
        writeBytes(m_run->file(u"notes.txt"_s), "#!/bin/sh\n" + touch + "\n");
        writeBytes(m_run->file(u"app.desktop"_s), "[Desktop Entry]\nExec=" + touch + "\n");
        for (const QString &name : QDir(m_run->dir.path()).entryList(QDir::Files))
            QFile::setPermissions(m_run->file(name), EveryBit);
        m_run->kb().add(u"危ない"_s, u"それでも意味は話す"_s, link);
        ask(u"危ない"_s);
        QVERIFY(m_run->browser.opened.isEmpty());
        QVERIFY(!m_run->links.documentWindow());
        QVERIFY(!QFile::exists(m_run->file(u"pwned"_s)));
        QCOMPARE(log().requests(),
                 (QStringList{u"Play announce"_s, u"Speak それでも意味は話す"_s}));
    }

    void aRelativeLinkIsTakenFromTheKnowledgeBaseFolder()
    {
        writeBytes(m_run->file(u"memo.txt"_s), "覚え書き");
        m_run->kb().add(u"メモ"_s, u"m"_s, u"memo.txt"_s);
        ask(u"メモ"_s);
        QVERIFY(m_run->links.documentWindow());
        QCOMPARE(m_run->links.documentWindow()->source(),
                 QUrl::fromLocalFile(m_run->file(u"memo.txt"_s)));
    }

private:
    QLineEdit *text1() { return m_run->form().findChild<QLineEdit *>(u"Text1"_s); }
    QCheckBox *check1() { return m_run->form().findChild<QCheckBox *>(u"Check1"_s); }
    QStringList listItems() { return shownRows(m_run->form().listWindow()->list()); }
};

QTEST_MAIN(TestQuestionAnswering)
#include "test_question_answering.moc"

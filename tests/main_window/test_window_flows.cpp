// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The secondary windows as the question bar opens them: one window of each kind per run, what
// they hand back to the bar, and questions answered from what they stored.

#include "kb/file_knowledge_base.h"
#include "support/item_views.h"
#include "support/test_env.h"
#include "support/test_run.h"

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestWindowFlows : public RunTest
{
    Q_OBJECT
private Q_SLOTS:
    void teachingThenAskingFindsTheWord()
    {
        Form2 *teach = askUnknown(u"くぬぎ"_s);
        teach->meaning()->setPlainText(u"ブナ科の木。\n実はどんぐり。"_s);
        log().clear();
        teach->Command1_Click();
        m_run->settle();
        QCOMPARE(log().requests(), (QStringList{u"Play greet"_s, u"Speak ありがとう。"_s}));
        QCOMPARE(teach->wordText(), u"くぬぎ"_s); // the window keeps its texts

        log().clear();
        ask(u"くぬぎ"_s);
        QCOMPARE(log().requests(),
                 (QStringList{u"Play announce"_s, u"Speak ブナ科の木。\n実はどんぐり。"_s}));
    }

    void thereIsOneTeachWindowAndClosingUnloadsIt()
    {
        Form2 *teach = askUnknown(u"一つ目"_s);
        teach->meaning()->setPlainText(u"書きかけ"_s);
        QCOMPARE(askUnknown(u"二つ目"_s), teach); // only brought to the front
        QCOMPARE(teach->wordText(), u"一つ目"_s); // its word box is not re-read
        QCOMPARE(teach->meaningText(), u"書きかけ"_s);

        teach->Command3_Click();
        QTRY_VERIFY(!m_run->form().teachWindow());
        Form2 *again = askUnknown(u"三つ目"_s);
        QCOMPARE(again->wordText(), u"三つ目"_s);
        QCOMPARE(again->meaningText(), QString());
    }

    // With the teach window still open, the next word the character asks about takes its place
    // when nothing would be lost: what the boxes hold was stored, or nothing was typed. Unsaved
    // typing stays as it is.
    void anOpenTeachWindowTakesTheNextWordWhenNothingIsLost_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("typedAfterwards");
        QTest::addColumn<bool>("takesTheWord");
        QTest::newRow("nothing typed") << QString() << false << QString() << true;
        QTest::newRow("saved") << u"いろ"_s << true << QString() << true;
        QTest::newRow("typed, not saved") << u"いろ"_s << false << QString() << false;
        QTest::newRow("typed on after saving") << u"いろ"_s << true << u"、そら"_s << false;
    }
    void anOpenTeachWindowTakesTheNextWordWhenNothingIsLost()
    {
        QFETCH(QString, typed);
        QFETCH(bool, saved);
        QFETCH(QString, typedAfterwards);
        QFETCH(bool, takesTheWord);
        Form2 *teach = askUnknown(u"あお"_s);
        typeText(teach->meaning(), typed);
        if (saved) {
            teach->Command1_Click();
            m_run->settle();
        }
        typeText(teach->meaning(), typedAfterwards);

        QCOMPARE(askUnknown(u"みず"_s), teach);
        QCOMPARE(teach->wordText(), takesTheWord ? u"みず"_s : u"あお"_s);
        QCOMPARE(teach->meaningText(), takesTheWord ? QString() : typed + typedAfterwards);
        QCOMPARE(teach->linkText(), QString());
    }

    // The window took the new word, so its meaning is stored under it, not under the last one.
    void aMeaningTypedForTheNextWordIsStoredUnderIt()
    {
        Form2 *teach = askUnknown(u"あお"_s);
        typeText(teach->meaning(), u"いろ"_s);
        teach->link()->setText(u"/docs/ao.html"_s);
        teach->Command1_Click();
        m_run->settle();
        askUnknown(u"みず"_s);
        typeText(teach->meaning(), u"のみもの"_s);
        teach->Command1_Click();
        m_run->settle();

        KnowledgeBase &kb = m_run->kb();
        QCOMPARE(kb.countMatches(u"あお"_s), 1);
        QCOMPARE(kb.entry(*kb.findWord(u"あお"_s))->meaning, std::optional<QString>(u"いろ"_s));
        const std::optional<Entry> water = kb.entry(*kb.findWord(u"みず"_s));
        QCOMPARE(water->meaning, std::optional<QString>(u"のみもの"_s));
        QCOMPARE(water->link, QString());
    }

    // A word asked about while a save is on its way is taken once the save is in; when the save
    // fails, the window keeps what it was saving.
    void aWordAskedAboutDuringASaveIsTakenOnceItIsIn_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("stored") << false;
        QTest::newRow("failed") << true;
    }
    void aWordAskedAboutDuringASaveIsTakenOnceItIsIn()
    {
        QFETCH(bool, fails);
        Form2 *teach = askUnknown(u"あお"_s);
        typeText(teach->meaning(), u"いろ"_s);
        {
            // 登録 is pressed after the question and before its answer.
            const auto held = m_run->holdQuestions();
            press(u"みず"_s);
            if (fails)
                m_run->state.DatabasePath = m_run->dir.path(); // names a folder
            teach->Command1_Click();
        }
        m_run->settle();
        QCOMPARE(m_run->form().teachWindow(), teach);
        QCOMPARE(teach->wordText(), fails ? u"あお"_s : u"みず"_s);
        QCOMPARE(teach->meaningText(), fails ? u"いろ"_s : QString());
        QCOMPARE(problemText(teach).contains(u"登録できませんでした"_s), fails);
    }

    // 登録, then 閉じる before the save is answered: the window waits hidden for the answer. A
    // stored entry is thanked for as when the window is open, and the window goes; a failure
    // brings the window back with what was typed and the red line.
    void aSaveAnsweredAfterItsWindowClosedIsThankedForOrComesBack_data()
    {
        QTest::addColumn<bool>("correction");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QStringList>("thanks");
        QTest::addColumn<QString>("problem");
        QTest::newRow("teach, stored")
            << false << false << QStringList{u"Play greet"_s, u"Speak ありがとう。"_s} << QString();
        QTest::newRow("teach, failed")
            << false << true << QStringList() << u"登録できませんでした"_s;
        QTest::newRow("correction, stored")
            << true << false << QStringList{u"Play process"_s, u"Speak 直しました。"_s}
            << QString();
        QTest::newRow("correction, failed")
            << true << true << QStringList() << u"直せませんでした"_s;
    }
    void aSaveAnsweredAfterItsWindowClosedIsThankedForOrComesBack()
    {
        QFETCH(bool, correction);
        QFETCH(bool, fails);
        QFETCH(QStringList, thanks);
        QFETCH(QString, problem);
        const QPointer<EntryForm> window = correction
                                               ? static_cast<EntryForm *>(callUp(u"どんぐり"_s))
                                               : static_cast<EntryForm *>(askUnknown(u"くぬぎ"_s));
        const QString word = window->wordText();
        window->meaning()->setPlainText(u"書いた意味"_s);
        log().clear();
        {
            const auto held = m_run->holdQuestions();
            if (fails)
                m_run->state.DatabasePath = m_run->dir.path(); // names a folder
            QTest::mouseClick(window->findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
            QTest::mouseClick(
                window->findChild<QPushButton *>(correction ? u"Command4"_s : u"Command3"_s),
                Qt::LeftButton);
            QVERIFY(!window->isVisible());
        }
        m_run->settle();
        QCOMPARE(log().requests(), thanks);
        if (fails) {
            QVERIFY(window && window->isVisible());
            QVERIFY(problemText(window).contains(problem));
            QCOMPARE(window->wordText(), word);
            QCOMPARE(window->meaningText(), u"書いた意味"_s);
            return;
        }
        QVERIFY(!window); // closed for good once answered
        QVERIFY(!m_run->form().teachWindow() && !m_run->form().correctionWindow());
        KnowledgeBase &kb = m_run->kb();
        QCOMPARE(kb.entry(*kb.findWord(word))->meaning, std::optional<QString>(u"書いた意味"_s));
    }

    // Opened again by 修正 before its save was answered, the window is the one closed, with
    // what it is saving, and it stays open after the thanks.
    void aWindowOpenedAgainBeforeItsSaveIsAnsweredStaysOpen()
    {
        const QPointer<Form4> correct = callUp(u"どんぐり"_s);
        correct->meaning()->setPlainText(u"書いた意味"_s);
        {
            const auto held = m_run->holdQuestions();
            correct->Command1_Click();
            correct->Command4_Click();
            m_run->form().Command4_Click();
            QCOMPARE(m_run->form().correctionWindow(), correct.get());
            QVERIFY(correct->isVisible());
            QCOMPARE(correct->meaningText(), u"書いた意味"_s);
            log().clear();
        }
        m_run->settle();
        QCOMPARE(log().requests(), (QStringList{u"Play process"_s, u"Speak 直しました。"_s}));
        QVERIFY(correct && correct->isVisible());
        correct->Command4_Click();
        QTRY_VERIFY(!correct); // an ordinary close unloads it again
    }

    void clickingAListedWordPresentsIt()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        m_run->kb().add(u"どんぶり"_s.leftJustified(50, u' '), u"器"_s, {});
        ask(u"どん*"_s);
        Form3 *list = m_run->form().listWindow();
        QCOMPARE(rowCount(list->list()), 2);
        log().clear();
        m_run->state.IdleCount = 900;
        clickRow(list->list(), 1);
        m_run->settle();
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 器"_s}));
        QCOMPARE(m_run->state.IdleCount, 0);
        QVERIFY(m_run->form().listWindow()); // stays open with its list
        QCOMPARE(rowCount(list->list()), 2);
    }

    void comingBackFromTheDocumentWindowDoesNotRefillTheList()
    {
        // The document window does a browser's work: coming back from it is coming back from
        // another application. Coming from the teach window is switching within the program.
        const QString page = m_run->file(u"page.html"_s);
        writeBytes(page, "<html><body>x</body></html>");
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, page);
        ask(u"どん*"_s);
        Form3 *list = m_run->form().listWindow();
        QVERIFY(QTest::qWaitForWindowActive(list));
        m_run->settle();
        QTest::qWait(700); // past the showing, whose own activation is already counted
        clickRow(list->list(), 0);
        m_run->settle();
        DocumentWindow *document = m_run->links.documentWindow();
        QVERIFY(document && QTest::qWaitForWindowActive(document));
        log().clear();
        list->activateWindow();
        m_run->settle();
        QVERIFY(QTest::qWaitForWindowActive(list));
        m_run->settle();
        QVERIFY(log().entries.isEmpty());

        askUnknown(u"くぬぎ"_s);
        QVERIFY(QTest::qWaitForWindowActive(m_run->form().teachWindow()));
        log().clear();
        list->activateWindow();
        m_run->settle();
        QVERIFY(QTest::qWaitForWindowActive(list));
        m_run->settle();
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

    void equalWordsPresentTheFirstEntry()
    {
        m_run->kb().add(u"くり"_s, u"一つ目"_s, {});
        m_run->kb().add(u"くり"_s, u"二つ目"_s, {});
        ask(u"く*"_s);
        log().clear();
        clickRow(m_run->form().listWindow()->list(), 1);
        m_run->settle();
        QCOMPARE(log().requests().last(), u"Speak 一つ目"_s);
    }

    void aChosenEntryThatCannotBePresentedSaysNothing()
    {
        m_run->kb().add(u"くり"_s, u"栗"_s, {});
        ask(u"く*"_s);
        m_run->execSql("UPDATE 言葉 SET 意味 = NULL");
        log().clear();
        clickRow(m_run->form().listWindow()->list(), 0);
        m_run->settle();
        QVERIFY(log().entries.isEmpty());
        QVERIFY(m_run->form().listWindow());
    }

    void everyShowingRefillsFromTheCurrentPattern()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        ask(u"どん*"_s);
        Form3 *list = m_run->form().listWindow();
        m_run->kb().add(u"どんこ"_s, u"2"_s, {}); // taught meanwhile: seen at the next showing
        m_run->kb().add(u"くり"_s, u"3"_s, {});
        log().clear();
        ask(u"*"_s);
        QCOMPARE(m_run->form().listWindow(), list);
        QCOMPARE(rowCount(list->list()), 3);
        QCOMPARE(log().requests(),
                 (QStringList{u"Play announce"_s, u"Speak 3件見つかりました。"_s, u"Play read"_s,
                              u"Speak リストから選んでください。"_s}));
    }

    void closingAndReopeningTheListFillsOnce()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        ask(u"どん*"_s);
        m_run->form().listWindow()->Command1_Click();
        QTRY_VERIFY(!m_run->form().listWindow());
        log().clear();
        ask(u"どん*"_s);
        QCOMPARE(log().requests().count(u"Speak リストから選んでください。"_s), 1);
    }

    void correctingPromptsAndSpeaksThroughTheCharacterItLoadsFromThenOn()
    {
        const auto mainCharacter = m_run->state.CurrentCharacter;
        m_run->form().Command4_Click();
        QCOMPARE(log().entries,
                 (QStringList{u"Genie#1: Speak 直す言葉を入れて呼び出しを押してください。"_s,
                              u"Genie#1: Play write"_s}));
        Form4 *correct = m_run->form().correctionWindow();
        QVERIFY(correct);
        QCOMPARE(correct->windowTitle(), u"直します。"_s);
        QCOMPARE(m_run->characters.loads.last(), u"Load Genie"_s);
        QVERIFY(m_run->state.CurrentCharacter != mainCharacter);

        // After the window is gone, its character still speaks for every window.
        correct->Command4_Click();
        QTRY_VERIFY(!m_run->form().correctionWindow());
        log().clear();
        m_run->form().Button_Click();
        QCOMPARE(log().entries.first(), u"Genie#2: Speak それじゃ、またね。"_s);
    }

    void quotesWorkFromTeachingToCorrecting()
    {
        const QString word = u"it's \"どんぐり\""_s;
        ask(word);
        Form2 *teach = m_run->form().teachWindow();
        QVERIFY(teach);
        teach->meaning()->setPlainText(u"引用符入り"_s);
        teach->Command1_Click();
        m_run->settle();

        log().clear();
        ask(word);
        QCOMPARE(log().requests().last(), u"Speak 引用符入り"_s);

        ask(u"it's*"_s);
        QCOMPARE(shownRows(m_run->form().listWindow()->list()).value(0), word);
        log().clear();
        clickRow(m_run->form().listWindow()->list(), 0);
        m_run->settle();
        QCOMPARE(log().requests().last(), u"Speak 引用符入り"_s);

        Form4 *correct = openCorrection();
        correct->word()->setText(word);
        correct->Command3_Click();
        m_run->settle();
        QCOMPARE(correct->meaningText(), u"引用符入り"_s);
        correct->meaning()->setPlainText(u"直した'意味'"_s);
        correct->Command1_Click();
        m_run->settle();
        log().clear();
        ask(word);
        QCOMPARE(log().requests().last(), u"Speak 直した'意味'"_s);
    }

    void aRegisteredKnowledgeBaseAnswersTheNextQuestion()
    {
        writeSettingsFile();
        const QString other = m_run->file(u"other/どんぐりくん.mdb"_s);
        QDir().mkpath(m_run->file(u"other"_s));
        FileKnowledgeBase(other).add(u"かし"_s, u"別の知識ファイルの樫"_s, {});

        Form5 *settings = openSettings();
        m_run->chooser.answers = {other};
        settings->Command1_Click();
        settings->Command2_Click();
        QTRY_VERIFY(!m_run->form().settingsWindow());
        QCOMPARE(m_run->state.DatabasePath, other);

        log().clear();
        ask(u"かし"_s);
        QCOMPARE(log().requests().last(), u"Speak 別の知識ファイルの樫"_s);
    }

    void closingTheSettingsWindowUnloadsItAndShowingAgainOnlyRaisesIt()
    {
        writeSettingsFile();
        Form5 *settings = openSettings();
        settings->pathBox()->setText(u"編集中"_s);
        QCOMPARE(openSettings(), settings);
        QCOMPARE(settings->pathBox()->text(), u"編集中"_s);

        settings->close();
        QTRY_VERIFY(!m_run->form().settingsWindow());
        QCOMPARE(openSettings()->pathBox()->text(), m_run->state.DatabasePath);
    }

private:
    Form2 *askUnknown(const QString &word)
    {
        ask(word);
        return m_run->form().teachWindow();
    }
    // The correction window with the entry for `word` called up, after it was taught.
    Form4 *callUp(const QString &word)
    {
        m_run->kb().add(word, u"古い意味"_s, {});
        Form4 *correct = openCorrection();
        correct->word()->setText(word);
        correct->Command3_Click();
        m_run->settle();
        return correct;
    }
    Form4 *openCorrection()
    {
        m_run->form().Command4_Click();
        log().clear();
        return m_run->form().correctionWindow();
    }
    Form5 *openSettings()
    {
        m_run->form().Command5_Click();
        return m_run->form().settingsWindow();
    }
    void writeSettingsFile()
    {
        writeBytes(m_run->state.SettingsFile, (m_run->state.DatabasePath + u"\r\n"_s).toUtf8());
    }
};

QTEST_MAIN(TestWindowFlows)
#include "test_window_flows.moc"

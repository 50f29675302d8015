// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/form4.h"
#include "support/kb_faults.h"
#include "support/window_run.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestForm4 : public WindowTest
{
    Q_OBJECT
private Q_SLOTS:
    // The window adopts whatever character its loader hands it for "Genie" without a file. The
    // recording loader makes a new one, so the switch shows; the desktop loader hands back the
    // character already on the desktop (tested with the drawn characters).
    void openingMakesTheCharacterItLoadsTheCurrentOne()
    {
        const auto before = m_run->state.CurrentCharacter;
        Form4 *correct = open();
        QCOMPARE(correct->windowTitle(), u"直します。"_s);
        QCOMPARE(correct->size(), QSize(481, 187));
        QCOMPARE(m_run->characters.loads, QStringList{u"Load Genie"_s});
        QVERIFY(m_run->state.CurrentCharacter != before);
        QCOMPARE(tabOrder(correct), (QStringList{u"Text1"_s, u"Text2"_s, u"Command1"_s, u"Text3"_s,
                                                 u"Command2"_s, u"Command3"_s, u"Command4"_s}));
    }

    void callingUpAndSavingCorrectsThatEntry()
    {
        m_run->kb().add(u"ほか"_s, u"別の意味"_s, {});
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"古い意味"_s, u"/old.html"_s);
        Form4 *correct = open();
        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        QVERIFY(correct->word()->isReadOnly());
        QCOMPARE(correct->meaningText(), u"古い意味"_s);
        QCOMPARE(correct->linkText(), u"/old.html"_s);

        const QString longMeaning = QString(300, u'長');
        correct->meaning()->setPlainText(longMeaning);
        correct->link()->clear();
        log().clear();
        correct->Command1_Click();
        m_run->settle();
        QCOMPARE(log().requests(), (QStringList{u"Play process"_s, u"Speak 直しました。"_s}));
        QVERIFY(!correct->word()->isReadOnly());
        const Entry entry = *m_run->kb().entry(id);
        QCOMPARE(entry.word, u"どんぐり"_s);                          // stored exactly, not padded
        QCOMPARE(entry.meaning, std::optional<QString>(longMeaning)); // nothing cut
        QCOMPARE(entry.link, QString());
        QCOMPARE(m_run->kb().entry(1)->meaning, std::optional<QString>(u"別の意味"_s));
    }

    // Before any call-up, after a call-up that found nothing, and a second time after a save,
    // there is no entry to write: nothing is written, and the red line says what to do.
    void savingWithoutACalledUpEntryWritesNothingAndSaysWhatToDo()
    {
        const qint32 first = m_run->kb().add(u"最初"_s, u"一番目の意味"_s, {});
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        Form4 *correct = open();
        correct->word()->setText(u"書き換え"_s);
        correct->meaning()->setPlainText(u"上書きされてはいけない"_s);
        const QString whatToDo = u"直す言葉を入れて呼び出しを押してください。"_s;

        correct->Command1_Click(); // before any call-up
        m_run->settle();
        QCOMPARE(problemText(correct), whatToDo);
        correct->word()->setText(u"ないもの"_s);
        correct->Command3_Click(); // finds nothing
        m_run->settle();
        correct->Command1_Click();
        m_run->settle();
        QCOMPARE(problemText(correct), whatToDo);
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(m_run->kb().entry(first)->meaning, std::optional<QString>(u"一番目の意味"_s));

        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        correct->Command1_Click();
        m_run->settle();
        QCOMPARE(problemText(correct), QString());
        log().clear();
        correct->Command1_Click(); // a second time after a save
        m_run->settle();
        QCOMPARE(problemText(correct), whatToDo);
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(m_run->kb().entry(first)->word, u"最初"_s);
    }

    // A word that is not stored says so and leaves the window as before any call-up: the word
    // box open and nothing being corrected. What the boxes held from a call-up or a save goes;
    // typing that is stored nowhere stays.
    void aWordNotStoredSaysSoAndLeavesTheWindowAsBefore_data()
    {
        QTest::addColumn<bool>("savedBefore");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("meaningShown");
        QTest::addColumn<QString>("linkShown");
        QTest::newRow("just opened") << false << QString() << QString() << QString();
        QTest::newRow("after a save") << true << QString() << QString() << QString();
        QTest::newRow("typing not stored")
            << false << u"打った意味"_s << u"打った意味"_s << QString();
        QTest::newRow("typing after a save")
            << true << u"直しかけ"_s << u"直しかけ"_s << u"/a.html"_s;
    }
    void aWordNotStoredSaysSoAndLeavesTheWindowAsBefore()
    {
        QFETCH(bool, savedBefore);
        QFETCH(QString, typed);
        QFETCH(QString, meaningShown);
        QFETCH(QString, linkShown);
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, u"/a.html"_s);
        Form4 *correct = open();
        if (savedBefore) {
            correct->word()->setText(u"どんぐり"_s);
            correct->Command3_Click();
            m_run->settle();
            correct->Command1_Click();
            m_run->settle();
            QCOMPARE(correct->meaningText(), u"木の実"_s);
        }
        if (!typed.isEmpty())
            correct->meaning()->setPlainText(typed);
        correct->word()->setText(u"ない"_s);
        correct->Command3_Click();
        m_run->settle();
        QCOMPARE(problemText(correct), u"この言葉はまだ登録されていません。"_s);
        QVERIFY(!correct->word()->isReadOnly());
        QCOMPARE(correct->wordText(), u"ない"_s);
        QCOMPARE(correct->meaningText(), meaningShown);
        QCOMPARE(correct->linkText(), linkShown);
        QVERIFY(!correct->calledUp());
    }

    // The call-up looks up the word without the blanks at its ends, and a save stores it so.
    void theWordIsLookedUpAndStoredWithoutTheBlanksAtItsEnds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("a full-width space after it") << u"どんぐり　"_s;
        QTest::newRow("spaces, a tab and a line break") << u" \tどんぐり \n"_s;
    }
    void theWordIsLookedUpAndStoredWithoutTheBlanksAtItsEnds()
    {
        QFETCH(QString, typed);
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        Form4 *correct = open();
        correct->word()->setText(typed);
        correct->Command3_Click();
        m_run->settle();
        QCOMPARE(correct->calledUp(), std::optional<qint32>(id));
        QCOMPARE(correct->meaningText(), u"木の実"_s);
        correct->meaning()->setPlainText(u" 直した　"_s);
        correct->Command1_Click();
        m_run->settle();
        const Entry entry = *m_run->kb().entry(id);
        QCOMPARE(entry.word, u"どんぐり"_s);
        QCOMPARE(entry.meaning, std::optional<QString>(u" 直した　"_s)); // as typed
    }

    // A call-up that fails says so with the cause; one that works, followed by a save that
    // fails, the same for the save. The boxes keep what was typed and nothing is said aloud.
    void aFailedCallUpOrSaveSaysWhy_data()
    {
        QTest::addColumn<KbFault>("fault");
        QTest::addColumn<bool>("failsReads");
        QTest::addColumn<QString>("sentence");
        for (const KbFaultCase &fault : kbFaultCases())
            QTest::newRow(fault.name) << fault.fault << fault.failsReads << fault.sentence;
    }
    void aFailedCallUpOrSaveSaysWhy()
    {
        QFETCH(KbFault, fault);
        QFETCH(bool, failsReads);
        QFETCH(QString, sentence);
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        const MadeKbFault made(*m_run, fault);
        Form4 *correct = open();
        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        if (failsReads) {
            QCOMPARE(problemText(correct), u"呼び出せませんでした。"_s + made.said(sentence));
            QVERIFY(!correct->calledUp());
            QVERIFY(!correct->word()->isReadOnly());
        } else {
            QCOMPARE(correct->meaningText(), u"木の実"_s);
            correct->meaning()->setPlainText(u"直したい"_s);
            correct->Command1_Click();
            m_run->settle();
            QCOMPARE(problemText(correct), u"直せませんでした。"_s + made.said(sentence));
            QCOMPARE(correct->meaningText(), u"直したい"_s);
            QCOMPARE(correct->calledUp(), std::optional<qint32>(id)); // still the entry to save
        }
        QVERIFY(log().entries.isEmpty());
    }

    // A stored meaning or link longer than its box takes opens cut and read-only, with a note;
    // a save changes the word and leaves the long text exactly as stored.
    void aStoredTextTooLongForItsBoxIsShownCutAndKeptOnSave_data()
    {
        const TextBounds &bounds = EntryForm::MeaningBounds;
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<QString>("link");
        QTest::addColumn<qsizetype>("meaningShown");
        QTest::addColumn<qsizetype>("linkShown");
        QTest::addColumn<QString>("note");
        const QString meaningNote =
            u"この意味は長すぎるので、先頭だけを見せています。ここでは意味は"
            u"直せません（言葉とリンクは直せます）。"_s;
        const QString line = QString(99, u'意') + u'\n';
        QTest::newRow("too many characters")
            << line.repeated(bounds.chars / line.size() + 1) << u"/a.html"_s << bounds.chars
            << qsizetype(7) << meaningNote;
        QTest::newRow("a paragraph too long")
            << QString(bounds.lineChars + 1, u'意') << u"/a.html"_s << bounds.lineChars
            << qsizetype(7) << meaningNote;
        QTest::newRow("a link too long")
            << u"木の実"_s << QString(EntryForm::LineBoxChars + 1, u'l') << qsizetype(3)
            << EntryForm::LineBoxChars
            << u"このリンクは長すぎるので、先頭だけを見せています。ここではリンクは直せません。"_s;
    }
    void aStoredTextTooLongForItsBoxIsShownCutAndKeptOnSave()
    {
        QFETCH(QString, meaning);
        QFETCH(QString, link);
        QFETCH(qsizetype, meaningShown);
        QFETCH(qsizetype, linkShown);
        QFETCH(QString, note);
        const qint32 id = m_run->kb().add(u"どんぐり"_s, meaning, link);
        Form4 *correct = open();
        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        QCOMPARE(problemText(correct), note);
        QVERIFY(correct->meaningText() == meaning.left(meaningShown));
        QCOMPARE(correct->linkText(), link.left(linkShown));
        QCOMPARE(correct->meaning()->isReadOnly(), meaningShown < meaning.size());
        QCOMPARE(correct->link()->isReadOnly(), linkShown < link.size());

        correct->word()->setReadOnly(false);
        correct->word()->setText(u"どんぐりの実"_s);
        correct->Command1_Click();
        m_run->settle();
        const Entry entry = *m_run->kb().entry(id);
        QCOMPARE(entry.word, u"どんぐりの実"_s);
        QVERIFY(entry.meaning == meaning);
        QVERIFY(entry.link == link);
    }

    void theEntryCalledUpIsTheOneWrittenEvenIfOthersChanged()
    {
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        Form4 *correct = open();
        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        m_run->kb().add(u"どんぐり"_s, u"後から足した"_s, {}); // another window adds meanwhile
        correct->meaning()->setPlainText(u"直した"_s);
        correct->Command1_Click();
        m_run->settle();
        QCOMPARE(m_run->kb().entry(id)->meaning, std::optional<QString>(u"直した"_s));
        QCOMPARE(m_run->kb().countMatches(u"どんぐり"_s), 2);
    }

    void aFailedSaveKeepsTheBoxesAndSaysWhy()
    {
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        Form4 *correct = open();
        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        correct->meaning()->setPlainText(u"直したい"_s);
        const QString usable = m_run->state.DatabasePath;
        m_run->state.DatabasePath = m_run->dir.path(); // now names a folder
        correct->Command1_Click();
        m_run->settle();
        QVERIFY(log().entries.isEmpty());
        auto *problem = correct->findChild<QLabel *>(u"ProblemLine"_s);
        QVERIFY(problem->text().contains(u"直せませんでした"_s));
        QCOMPARE(correct->meaningText(), u"直したい"_s);
        QCOMPARE(correct->calledUp(), std::optional<qint32>(id)); // still the entry to save

        m_run->state.DatabasePath = usable;
        correct->Command1_Click();
        m_run->settle();
        QVERIFY(!problem->isVisibleTo(correct));
        QCOMPARE(m_run->kb().entry(id)->meaning, std::optional<QString>(u"直したい"_s));
    }

    // While 呼び出し is on its way the boxes it fills take no typing, and 登録 and 参照 wait:
    // nothing typed meanwhile is overwritten by its answer, and nothing is saved in its place.
    // Once it is answered, found or not or failed, the boxes are the user's again.
    void whileACallUpIsOnItsWayTheBoxesItFillsWait_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("stored");
        QTest::newRow("found") << u"どんぐり"_s << false << u"木の実"_s << u"直した意味"_s;
        QTest::newRow("not found") << u"ない"_s << false << u"前から"_s << u"木の実"_s;
        QTest::newRow("failed") << u"どんぐり"_s << true << u"前から"_s << u"木の実"_s;
    }
    void whileACallUpIsOnItsWayTheBoxesItFillsWait()
    {
        QFETCH(QString, word);
        QFETCH(bool, fails);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        Form4 *correct = open();
        correct->meaning()->setPlainText(u"前から"_s);
        correct->word()->setText(word);
        auto *save = correct->findChild<QPushButton *>(u"Command1"_s);
        auto *browse = correct->findChild<QPushButton *>(u"Command2"_s);
        const QString usable = m_run->state.DatabasePath;
        {
            const auto held = m_run->holdQuestions();
            if (fails)
                m_run->state.DatabasePath = m_run->dir.path(); // names a folder
            QTest::mouseClick(correct->findChild<QPushButton *>(u"Command3"_s), Qt::LeftButton);
            m_run->state.DatabasePath = usable;
            typeText(correct->meaning(), u"打った"_s);
            QTest::keyClicks(correct->link(), u"/typed.html"_s);
            QCOMPARE(correct->meaningText(), u"前から"_s);
            QCOMPARE(correct->linkText(), QString());
            QVERIFY(!save->isEnabled());
            QVERIFY(!browse->isEnabled());
            QTest::mouseClick(save, Qt::LeftButton);
        }
        m_run->settle();
        QCOMPARE(correct->meaningText(), shown);
        QCOMPARE(problemText(correct).contains(u"呼び出せませんでした"_s), fails);
        QVERIFY(save->isEnabled());
        QVERIFY(browse->isEnabled());
        QVERIFY(log().entries.isEmpty()); // the click on 登録 meanwhile did nothing

        correct->meaning()->selectAll();
        typeText(correct->meaning(), u"直した意味"_s);
        QCOMPARE(correct->meaningText(), u"直した意味"_s);
        QTest::mouseClick(save, Qt::LeftButton);
        m_run->settle();
        QCOMPARE(m_run->kb().entry(id)->meaning, std::optional<QString>(stored));
    }

    // A call-up would fill the boxes under a save that may still fail: it waits for the save.
    void whileASaveIsOnItsWayCallingUpWaits()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        Form4 *correct = open();
        correct->word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->settle();
        correct->meaning()->setPlainText(u"直した意味"_s);
        auto *callUp = correct->findChild<QPushButton *>(u"Command3"_s);
        {
            const auto held = m_run->holdQuestions();
            correct->Command1_Click();
            QVERIFY(!callUp->isEnabled());
            correct->Command3_Click();
        }
        m_run->settle();
        QVERIFY(callUp->isEnabled());
        QCOMPARE(correct->meaningText(), u"直した意味"_s);
        QVERIFY(!correct->word()->isReadOnly());
    }

private:
    // The window as 修正 opens it; the current character is the one it loads, with nothing
    // logged yet.
    Form4 *open()
    {
        auto *correct = m_run->keep(new Form4(m_run->state, m_run->characters, m_run->chooser));
        log().clear();
        return correct;
    }
};

QTEST_MAIN(TestForm4)
#include "test_form4.moc"

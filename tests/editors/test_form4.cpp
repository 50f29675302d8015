#include "knowledge_base.h"
#include "test_run.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestForm4 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_run = std::make_unique<TestRun>();
        m_run->start();
    }
    void cleanup() { m_run.reset(); }

    // The window adopts whatever character its loader hands it for "Genie" without a file. The
    // recording loader makes a new one, so the switch shows; the desktop loader hands back the
    // character already on the desktop (tested with the drawn characters).
    void openingPromptsAndSpeaksThroughTheCharacterItLoadsFromThenOn()
    {
        const auto mainCharacter = m_run->state.CurrentCharacter;
        m_run->form().Command4_Click();
        QCOMPARE(log().entries, (QStringList{u"Genie#1: Speak 直す言葉を入れて呼び出しを押してください。"_s,
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

    void callingUpAndSavingCorrectsThatEntry()
    {
        m_run->kb().add(u"ほか"_s, u"別の意味"_s, {});
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"古い意味"_s, u"/old.html"_s);
        Form4 *correct = open();
        correct->fields().word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        QVERIFY(correct->fields().word()->isReadOnly());
        QCOMPARE(correct->fields().meaningText(), u"古い意味"_s);
        QCOMPARE(correct->fields().linkText(), u"/old.html"_s);

        const QString longMeaning = QString(300, u'長');
        correct->fields().meaning()->setPlainText(longMeaning);
        correct->fields().link()->clear();
        log().clear();
        correct->Command1_Click();
        QCOMPARE(log().requests(), (QStringList{u"Play process"_s, u"Speak 直しました。"_s}));
        QVERIFY(!correct->fields().word()->isReadOnly());
        const Entry entry = *m_run->kb().entry(id);
        QCOMPARE(entry.word, u"どんぐり"_s); // stored exactly, not padded
        QCOMPARE(entry.meaning, std::optional<QString>(longMeaning)); // nothing cut
        QCOMPARE(entry.link, QString());
        QCOMPARE(m_run->kb().entry(1)->meaning, std::optional<QString>(u"別の意味"_s));
    }

    void savingWithoutACalledUpEntryWritesAndSaysNothing()
    {
        const qint32 first = m_run->kb().add(u"最初"_s, u"一番目の意味"_s, {});
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        Form4 *correct = open();
        correct->fields().word()->setText(u"書き換え"_s);
        correct->fields().meaning()->setPlainText(u"上書きされてはいけない"_s);

        correct->Command1_Click(); // before any call-up
        correct->fields().word()->setText(u"ないもの"_s);
        correct->Command3_Click(); // finds nothing
        correct->Command1_Click();
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(m_run->kb().entry(first)->meaning, std::optional<QString>(u"一番目の意味"_s));

        correct->fields().word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        correct->Command1_Click();
        log().clear();
        correct->Command1_Click(); // a second time after a save
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(m_run->kb().entry(first)->word, u"最初"_s);
    }

    void aWordNotFoundKeepsTheBoxesAndLocksTheWord()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, u"/a.html"_s);
        Form4 *correct = open();
        correct->fields().word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        correct->fields().word()->setReadOnly(false);
        correct->fields().word()->setText(u"ない"_s);
        correct->Command3_Click();
        QVERIFY(correct->fields().word()->isReadOnly());
        QCOMPARE(correct->fields().meaningText(), u"木の実"_s);
        QVERIFY(!correct->calledUp());
    }

    void theEntryCalledUpIsTheOneWrittenEvenIfOthersChanged()
    {
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        Form4 *correct = open();
        correct->fields().word()->setText(u"どんぐり"_s);
        correct->Command3_Click();
        m_run->kb().add(u"どんぐり"_s, u"後から足した"_s, {}); // another window adds meanwhile
        correct->fields().meaning()->setPlainText(u"直した"_s);
        correct->Command1_Click();
        QCOMPARE(m_run->kb().entry(id)->meaning, std::optional<QString>(u"直した"_s));
        QCOMPARE(m_run->kb().countMatches(u"どんぐり"_s), 2);
    }

    void quotesWorkFromTeachingToCorrecting()
    {
        const QString word = u"it's \"どんぐり\""_s;
        ask(word);
        Form2 *teach = m_run->form().teachWindow();
        QVERIFY(teach);
        teach->fields().meaning()->setPlainText(u"引用符入り"_s);
        teach->Command1_Click();

        log().clear();
        ask(word);
        QCOMPARE(log().requests().last(), u"Speak 引用符入り"_s);

        ask(u"it's*"_s);
        QCOMPARE(m_run->form().listWindow()->list()->item(0)->text(), word);
        log().clear();
        QListWidget *list = m_run->form().listWindow()->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(log().requests().last(), u"Speak 引用符入り"_s);

        Form4 *correct = open();
        correct->fields().word()->setText(word);
        correct->Command3_Click();
        QCOMPARE(correct->fields().meaningText(), u"引用符入り"_s);
        correct->fields().meaning()->setPlainText(u"直した'意味'"_s);
        correct->Command1_Click();
        log().clear();
        ask(word);
        QCOMPARE(log().requests().last(), u"Speak 直した'意味'"_s);
    }

private:
    CharacterLog &log() { return m_run->log(); }
    void ask(const QString &question) { m_run->ask(question); }
    Form4 *open()
    {
        m_run->form().Command4_Click();
        log().clear();
        return m_run->form().correctionWindow();
    }

    std::unique_ptr<TestRun> m_run;
};

QTEST_MAIN(TestForm4)
#include "test_form4.moc"

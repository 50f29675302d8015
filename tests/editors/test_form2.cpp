#include "knowledge_base.h"
#include "test_env.h"
#include "test_run.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestForm2 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_run = std::make_unique<TestRun>();
        m_run->start();
    }
    void cleanup() { m_run.reset(); }

    void theWindowOpensWithTheUnknownWordAndItsLayout()
    {
        Form2 *teach = askUnknown(u"くぬぎ"_s);
        QCOMPARE(teach->windowTitle(), u"教えてください。"_s);
        QCOMPARE(teach->size(), QSize(481, 187));
        QCOMPARE(teach->fields().wordText(), u"くぬぎ"_s);
        QCOMPARE(teach->fields().meaningText(), QString());
        QCOMPARE(teach->fields().linkText(), QString());
        QCOMPARE(teach->findChild<QPushButton *>(u"Command1"_s)->text(), u"登録"_s);
        QCOMPARE(teach->findChild<QPushButton *>(u"Command2"_s)->text(), u"参照"_s);
        QCOMPARE(teach->findChild<QPushButton *>(u"Command3"_s)->text(), u"閉じる"_s);
        QCOMPARE(teach->findChild<QLabel *>(u"Label1"_s)->font().pointSizeF(), 11.25);
        QCOMPARE(teach->findChild<QLineEdit *>(u"Text1"_s)->geometry(), QRect(64, 8, 337, 18));
    }

    void teachingThenAskingFindsTheWord()
    {
        Form2 *teach = askUnknown(u"くぬぎ"_s);
        teach->fields().meaning()->setPlainText(u"ブナ科の木。\n実はどんぐり。"_s);
        log().clear();
        teach->Command1_Click();
        QCOMPARE(log().requests(), (QStringList{u"Play greet"_s, u"Speak ありがとう。"_s}));
        QCOMPARE(teach->fields().wordText(), u"くぬぎ"_s); // the window keeps its texts

        log().clear();
        ask(u"くぬぎ"_s);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak ブナ科の木。\n実はどんぐり。"_s}));
    }

    void savingTwiceStoresTwoEntries()
    {
        Form2 *teach = askUnknown(u"同じ"_s);
        teach->Command1_Click();
        teach->Command1_Click();
        KnowledgeBase &kb = m_run->kb();
        QCOMPARE(kb.countMatches(u"同じ"_s), 2);
        QCOMPARE(kb.entry(*kb.findWord(u"同じ"_s))->meaning, std::optional<QString>(QString()));
    }

    void aFailedSaveIsNeverThankedFor()
    {
        Form2 *teach = askUnknown(u"くぬぎ"_s);
        teach->fields().meaning()->setPlainText(u"大事な説明"_s);
        m_run->state.DatabasePath = m_run->dir.path(); // now names a folder
        log().clear();
        teach->Command1_Click();
        QVERIFY(log().entries.isEmpty());
        auto *problem = teach->findChild<QLabel *>(u"ProblemLine"_s);
        QVERIFY(problem->isVisibleTo(teach));
        QVERIFY(problem->text().contains(u"登録できませんでした"_s));
        QCOMPARE(teach->fields().meaningText(), u"大事な説明"_s);
        QCOMPARE(teach->fields().wordText(), u"くぬぎ"_s);

        // Once the file is usable again the save goes through and the line goes away.
        m_run->state.DatabasePath = m_run->file(u"どんぐりくん.mdb"_s);
        teach->Command1_Click();
        QVERIFY(!problem->isVisibleTo(teach));
        QCOMPARE(log().requests().last(), u"Speak ありがとう。"_s);
    }

    void theLinkChooserOffersThreeTypesAndRemembersTheLastFile()
    {
        Form2 *teach = askUnknown(u"くぬぎ"_s);
        teach->fields().link()->setText(u"手で打った"_s);
        m_run->chooser.answers = {std::nullopt, u"/docs/kunugi.html"_s, u"/docs/b.txt"_s};
        teach->Command2_Click();
        QCOMPARE(teach->fields().linkText(), u"手で打った"_s); // cancel keeps it
        teach->Command2_Click();
        QCOMPARE(teach->fields().linkText(), u"/docs/kunugi.html"_s);
        teach->Command2_Click();

        const auto &calls = m_run->chooser.calls;
        QCOMPARE(calls.size(), 3);
        QCOMPARE(calls[0].filters.size(), 3);
        QCOMPARE(calls[0].filters[0].label, u"htmlファイル (*.htm)"_s);
        QCOMPARE(calls[0].filters[0].patterns, u"*.htm *.html"_s);
        QCOMPARE(calls[0].filters[1].label, u"テキストファイル(*.txt)"_s);
        QCOMPARE(calls[0].filters[2].label, u"ピクチャ (*.bmp)"_s);
        QCOMPARE(calls[0].startFile, QString());
        QCOMPARE(calls[1].startFile, QString()); // a cancel remembers nothing
        QCOMPARE(calls[2].startFile, u"/docs/kunugi.html"_s);

        teach->Command1_Click();
        KnowledgeBase &kb = m_run->kb();
        QCOMPARE(kb.entry(*kb.findWord(u"くぬぎ"_s))->link, u"/docs/b.txt"_s);
    }

    void thereIsOneWindowAndClosingUnloadsIt()
    {
        Form2 *teach = askUnknown(u"一つ目"_s);
        teach->fields().meaning()->setPlainText(u"書きかけ"_s);
        QCOMPARE(askUnknown(u"二つ目"_s), teach);             // only brought to the front
        QCOMPARE(teach->fields().wordText(), u"一つ目"_s);    // its word box is not re-read
        QCOMPARE(teach->fields().meaningText(), u"書きかけ"_s);

        teach->Command3_Click();
        QTRY_VERIFY(!m_run->form().teachWindow());
        Form2 *again = askUnknown(u"三つ目"_s);
        QCOMPARE(again->fields().wordText(), u"三つ目"_s);
        QCOMPARE(again->fields().meaningText(), QString());
    }

private:
    CharacterLog &log() { return m_run->log(); }
    void ask(const QString &question) { m_run->ask(question); }
    Form2 *askUnknown(const QString &word)
    {
        ask(word);
        return m_run->form().teachWindow();
    }

    std::unique_ptr<TestRun> m_run;
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"

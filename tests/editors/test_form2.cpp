// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/form2.h"
#include "support/window_run.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestForm2 : public WindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void theWindowOpensWithTheUnknownWordAndItsLayout()
    {
        Form2 *teach = open(u"くぬぎ"_s);
        QCOMPARE(teach->windowTitle(), u"教えてください。"_s);
        QCOMPARE(teach->size(), QSize(481, 187));
        QCOMPARE(teach->wordText(), u"くぬぎ"_s);
        QCOMPARE(teach->meaningText(), QString());
        QCOMPARE(teach->linkText(), QString());
        QCOMPARE(teach->findChild<QPushButton *>(u"Command1"_s)->text(), u"登録"_s);
        QCOMPARE(teach->findChild<QPushButton *>(u"Command2"_s)->text(), u"参照"_s);
        QCOMPARE(teach->findChild<QPushButton *>(u"Command3"_s)->text(), u"閉じる"_s);
        QCOMPARE(teach->findChild<QLabel *>(u"Label1"_s)->font().pointSizeF(), 11.25);
        QCOMPARE(teach->findChild<QLabel *>(u"Label2"_s)->font().pointSizeF(), 11.25);
        QCOMPARE(teach->findChild<QLabel *>(u"Label3"_s)->font(), teach->font());
        QCOMPARE(teach->findChild<QLineEdit *>(u"Text1"_s)->geometry(), QRect(64, 8, 337, 18));
    }

    void theTabOrderRunsThroughTheBoxesAndButtons()
    {
        QCOMPARE(tabOrder(open(u"くぬぎ"_s)),
                 (QStringList{u"Text1"_s, u"Text2"_s, u"Command1"_s, u"Text3"_s, u"Command2"_s,
                              u"Command3"_s}));
    }

    void savingStoresTheBoxesExactlyAsTypedAndThanks()
    {
        Form2 *teach = open(u" くぬぎ "_s);
        teach->meaning()->setPlainText(u"ブナ科の木。\n実はどんぐり。"_s);
        teach->link()->setText(u"docs/kunugi.html"_s);
        teach->Command1_Click();
        m_run->settle();
        QCOMPARE(log().requests(), (QStringList{u"Play greet"_s, u"Speak ありがとう。"_s}));
        QCOMPARE(teach->wordText(), u" くぬぎ "_s); // the window keeps its texts
        const std::optional<Entry> stored = m_run->kb().entry(1);
        QVERIFY(stored);
        QCOMPARE(stored->word, u" くぬぎ "_s);
        QCOMPARE(stored->meaning, std::optional<QString>(u"ブナ科の木。\n実はどんぐり。"_s));
        QCOMPARE(stored->link, u"docs/kunugi.html"_s);
    }

    void savingTwiceStoresTwoEntries()
    {
        Form2 *teach = open(u"同じ"_s);
        teach->Command1_Click();
        m_run->settle();
        teach->Command1_Click();
        m_run->settle();
        KnowledgeBase &kb = m_run->kb();
        QCOMPARE(kb.countMatches(u"同じ"_s), 2);
        QCOMPARE(kb.entry(*kb.findWord(u"同じ"_s))->meaning, std::optional<QString>(QString()));
    }

    // While a save is on its way 登録 is off and the boxes keep their text; a second click then
    // writes nothing. Once the save is back, 登録 saves again.
    void aSecondClickDuringTheSaveWritesNothing()
    {
        Form2 *teach = open(u"一度"_s);
        teach->meaning()->setPlainText(u"一回だけ"_s);
        auto *save = teach->findChild<QPushButton *>(u"Command1"_s);
        teach->Command1_Click();
        QVERIFY(!save->isEnabled());
        QTest::mouseClick(save, Qt::LeftButton);
        teach->Command1_Click();
        QCOMPARE(teach->meaningText(), u"一回だけ"_s);
        m_run->settle();
        QVERIFY(save->isEnabled());
        QCOMPARE(m_run->kb().countMatches(u"一度"_s), 1);
        QCOMPARE(log().requests(), (QStringList{u"Play greet"_s, u"Speak ありがとう。"_s}));
    }

    void aFailedSaveIsNeverThankedFor()
    {
        Form2 *teach = open(u"くぬぎ"_s);
        teach->meaning()->setPlainText(u"大事な説明"_s);
        const QString usable = m_run->state.DatabasePath;
        m_run->state.DatabasePath = m_run->dir.path(); // now names a folder
        teach->Command1_Click();
        m_run->settle();
        QVERIFY(log().entries.isEmpty());
        auto *problem = teach->findChild<QLabel *>(u"ProblemLine"_s);
        QVERIFY(problem->isVisibleTo(teach));
        QVERIFY(problem->text().contains(u"登録できませんでした"_s));
        QCOMPARE(teach->meaningText(), u"大事な説明"_s);
        QCOMPARE(teach->wordText(), u"くぬぎ"_s);

        // Once the knowledge base is usable again the save goes through and the line goes away.
        m_run->state.DatabasePath = usable;
        teach->Command1_Click();
        m_run->settle();
        QVERIFY(!problem->isVisibleTo(teach));
        QCOMPARE(log().requests().last(), u"Speak ありがとう。"_s);
    }

    void theLinkChooserOffersThreeTypesAndRemembersTheLastFile()
    {
        Form2 *teach = open(u"くぬぎ"_s);
        teach->link()->setText(u"手で打った"_s);
        m_run->chooser.answers = {std::nullopt, u"/docs/kunugi.html"_s, u"/docs/b.txt"_s};
        teach->Command2_Click();
        QCOMPARE(teach->linkText(), u"手で打った"_s); // cancel keeps it
        QTest::mouseClick(teach->findChild<QPushButton *>(u"Command2"_s), Qt::LeftButton);
        QCOMPARE(teach->linkText(), u"/docs/kunugi.html"_s);
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

        m_run->settle();
        KnowledgeBase &kb = m_run->kb();
        QCOMPARE(kb.entry(*kb.findWord(u"くぬぎ"_s))->link, u"/docs/b.txt"_s);
    }

    void closeHidesTheWindow()
    {
        Form2 *teach = open(u"くぬぎ"_s);
        QTest::mouseClick(teach->findChild<QPushButton *>(u"Command3"_s), Qt::LeftButton);
        QVERIFY(!teach->isVisible());
    }

private:
    // The window as question answering opens it for a word it does not know.
    Form2 *open(const QString &word)
    {
        m_run->state.SearchWord = word;
        return m_run->keep(new Form2(m_run->state, m_run->chooser));
    }
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/form2.h"
#include "support/kb_faults.h"
#include "support/window_run.h"

#include <QClipboard>
#include <QGuiApplication>
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

    void savingStoresTheBoxesAsTypedAndThanks()
    {
        Form2 *teach = open(u"くぬぎ"_s);
        teach->meaning()->setPlainText(u" ブナ科の木。\n実はどんぐり。　"_s);
        teach->link()->setText(u" docs/kunugi.html"_s);
        teach->Command1_Click();
        m_run->settle();
        QCOMPARE(log().requests(), (QStringList{u"Play greet"_s, u"Speak ありがとう。"_s}));
        QCOMPARE(teach->wordText(), u"くぬぎ"_s); // the window keeps its texts
        const std::optional<Entry> stored = m_run->kb().entry(1);
        QVERIFY(stored);
        QCOMPARE(stored->word, u"くぬぎ"_s);
        QCOMPARE(stored->meaning, std::optional<QString>(u" ブナ科の木。\n実はどんぐり。　"_s));
        QCOMPARE(stored->link, u" docs/kunugi.html"_s);
    }

    // As an input method or a paste leaves them; blanks inside the word stay.
    void theWordIsStoredWithoutTheBlanksAtItsEnds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("a full-width space after it") << u"りんご　"_s << u"りんご"_s;
        QTest::newRow("ASCII spaces around it") << u"  りんご "_s << u"りんご"_s;
        QTest::newRow("a tab and a line break") << u"\tりんご\r\n"_s << u"りんご"_s;
        QTest::newRow("blanks inside stay") << u"　青い　りんご "_s << u"青い　りんご"_s;
    }
    void theWordIsStoredWithoutTheBlanksAtItsEnds()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        Form2 *teach = open(typed);
        QCOMPARE(teach->wordText(), typed);
        teach->Command1_Click();
        m_run->settle();
        KnowledgeBase &kb = m_run->kb();
        QCOMPARE(kb.countAll(), 1);
        QCOMPARE(kb.entry(*kb.findWord(stored))->word, stored);
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

    // The red line keeps the window's own first sentence and names the cause, and the file or
    // the server; the boxes keep what was typed and the character says nothing.
    void aFailedSaveSaysWhy_data()
    {
        QTest::addColumn<KbFault>("fault");
        QTest::addColumn<QString>("sentence");
        for (const KbFaultCase &fault : kbFaultCases())
            QTest::newRow(fault.name) << fault.fault << fault.sentence;
    }
    void aFailedSaveSaysWhy()
    {
        QFETCH(KbFault, fault);
        QFETCH(QString, sentence);
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        const MadeKbFault made(*m_run, fault);
        Form2 *teach = open(u"くぬぎ"_s);
        teach->meaning()->setPlainText(u"クヌギの実"_s);
        teach->Command1_Click();
        m_run->settle();
        QCOMPARE(problemText(teach), u"登録できませんでした。"_s + made.said(sentence));
        QCOMPARE(teach->meaningText(), u"クヌギの実"_s);
        QVERIFY(log().entries.isEmpty());
    }

    // A paste into the meaning box goes in only as far as the box's bounds, and the red line
    // says how much went in; what the box already held counts.
    void aLongPasteIntoTheMeaningIsCutWithANote_data()
    {
        const TextBounds &bounds = EntryForm::MeaningBounds;
        QTest::addColumn<QString>("held");
        QTest::addColumn<bool>("replaceHeld");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<qsizetype>("kept");
        QTest::addColumn<QString>("note");
        const QString line = QString(99, u'意') + u'\n';
        const QString many = line.repeated(bounds.chars / line.size() + 1);
        QTest::newRow("within the bounds")
            << QString() << false << line.repeated(50) << qsizetype(5000) << QString();
        QTest::newRow("too many characters")
            << QString() << false << many << bounds.chars
            << u"意味は 1048576 文字までです。貼り付けた文は先頭の 1048576 文字だけを入れました。"_s;
        QTest::newRow("too many lines")
            << QString() << false << u"あ\n"_s.repeated(bounds.lines + 10) << bounds.lines * 2 - 1
            << u"意味は 16384 行までです。貼り付けた文は先頭の 32767 文字だけを入れました。"_s;
        QTest::newRow("a paragraph too long")
            << QString() << false << QString(bounds.lineChars + 10, u'あ') << bounds.lineChars
            << u"改行のない段落は 16384 文字までです。貼り付けた文は先頭の 16384 文字だけを入れ"
               u"ました。"_s;
        QTest::newRow("never half a character")
            << QString() << false << QString(bounds.lineChars - 1, u'あ') + u"😀😀"_s
            << bounds.lineChars - 1
            << u"改行のない段落は 16384 文字までです。貼り付けた文は先頭の 16383 文字だけを入れ"
               u"ました。"_s;
        QTest::newRow("into a full paragraph")
            << QString(bounds.lineChars, u'あ') << false << u"い"_s << qsizetype(0)
            << u"改行のない段落は 16384 文字までです。貼り付けた文は入れませんでした。"_s;
        QTest::newRow("over what it replaces")
            << QString(bounds.lineChars, u'あ') << true << QString(100, u'い') << qsizetype(100)
            << QString();
    }
    void aLongPasteIntoTheMeaningIsCutWithANote()
    {
        QFETCH(QString, held);
        QFETCH(bool, replaceHeld);
        QFETCH(QString, pasted);
        QFETCH(qsizetype, kept);
        QFETCH(QString, note);
        Form2 *teach = open(u"くぬぎ"_s);
        QPlainTextEdit *meaning = teach->meaning();
        meaning->setPlainText(held);
        if (replaceHeld)
            meaning->selectAll();
        else
            meaning->moveCursor(QTextCursor::End);
        QGuiApplication::clipboard()->setText(pasted);
        meaning->setFocus();
        QTest::keySequence(meaning, QKeySequence::Paste);
        const QString expected = (replaceHeld ? QString() : held) + pasted.left(kept);
        QCOMPARE(meaning->toPlainText().size(), expected.size());
        QVERIFY(meaning->toPlainText() == expected);
        QCOMPARE(problemText(teach), note);
    }

    // The word and the link take 10240 characters, pasted or typed; more is left out and the
    // red line says so. A word asked about that is longer goes in cut, with the same note.
    void theWordAndLinkBoxesTakeNoMoreThanTheyHold_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("note");
        QTest::newRow("word")
            << u"Text1"_s << u"言葉は 10240 文字までなので、入りきらない分は入れませんでした。"_s;
        QTest::newRow("link")
            << u"Text3"_s << u"リンクは 10240 文字までなので、入りきらない分は入れませんでした。"_s;
    }
    void theWordAndLinkBoxesTakeNoMoreThanTheyHold()
    {
        QFETCH(QString, box);
        QFETCH(QString, note);
        Form2 *teach = open(u"く"_s);
        auto *line = teach->findChild<QLineEdit *>(box);
        line->clear();
        QGuiApplication::clipboard()->setText(QString(EntryForm::LineBoxChars + 5, u'ぬ'));
        line->setFocus();
        QTest::keySequence(line, QKeySequence::Paste);
        QCOMPARE(line->text(), QString(EntryForm::LineBoxChars, u'ぬ'));
        QCOMPARE(problemText(teach), note);
    }
    void aWordAskedAboutThatIsTooLongGoesInCut()
    {
        Form2 *teach = open(QString(EntryForm::LineBoxChars + 1, u'く'));
        QCOMPARE(teach->wordText(), QString(EntryForm::LineBoxChars, u'く'));
        QCOMPARE(problemText(teach),
                 u"言葉は 10240 文字までなので、入りきらない分は入れませんでした。"_s);
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

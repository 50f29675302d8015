// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/form3.h"
#include "support/item_views.h"
#include "support/test_env.h"
#include "support/window_run.h"
#include "ui/ui_support.h"

#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestForm3 : public WindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void theListShowsEveryMatchAsStoredAndPrompts()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        m_run->kb().add(u"くり"_s, u"栗"_s, {});
        m_run->kb().add(u"どんぶり"_s.leftJustified(50, u' '), u"器"_s, {});
        Form3 *list = open(u"どん*"_s);
        QCOMPARE(list->windowTitle(), u"一覧表"_s);
        QCOMPARE(list->size(), QSize(350, 250));
        QCOMPARE(shownRows(list->list()),
                 (QStringList{u"どんぐり"_s, u"どんぶり"_s.leftJustified(50, u' ')}));
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

    void clickingAWordChoosesTheFirstEntryWithIt()
    {
        const qint32 first = m_run->kb().add(u"くり"_s, u"一つ目"_s, {});
        m_run->kb().add(u"くり"_s, u"二つ目"_s, {});
        const qint32 padded = m_run->kb().add(u"くるみ"_s.leftJustified(50, u' '), u"胡桃"_s, {});
        Form3 *list = open(u"く*"_s);
        QSignalSpy chosen(list, &Form3::entryChosen);
        clickRow(list->list(), 1);
        m_run->settle();
        clickRow(list->list(), 2);
        m_run->settle();
        QCOMPARE(chosen.count(), 2);
        QCOMPARE(chosen[0].at(0).toInt(), first);
        QCOMPARE(chosen[1].at(0).toInt(), padded);
        QVERIFY(list->isVisible()); // stays open with its list
        QCOMPARE(rowCount(list->list()), 3);

        // Enter on the current item chooses it too.
        list->list()->setCurrentIndex(list->list()->model()->index(0, 0));
        QTest::keyClick(list->list(), Qt::Key_Return);
        m_run->settle();
        QCOMPARE(chosen.count(), 3);
        QCOMPARE(chosen[2].at(0).toInt(), first);
    }

    void aWordGoneSinceTheListWasFilledPresentsNothing()
    {
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        m_run->kb().add(u"くり"_s, u"栗"_s, {});
        Form3 *list = open(u"どん*"_s);
        QSignalSpy chosen(list, &Form3::entryChosen);
        m_run->kb().update(id, u"かし"_s, u"樫"_s, {});
        log().clear();
        clickRow(list->list(), 0);
        m_run->settle();
        QCOMPARE(chosen.count(), 0);
        QVERIFY(log().entries.isEmpty());
    }

    // The arrow keys, Home and End move the highlight, and each move presents that entry as a
    // click would.
    void movingTheHighlightWithTheKeysChoosesThatWord()
    {
        const qint32 first = m_run->kb().add(u"くり"_s, u"一つ目"_s, {});
        const qint32 second = m_run->kb().add(u"くるみ"_s, u"二つ目"_s, {});
        const qint32 third = m_run->kb().add(u"くぬぎ"_s, u"三つ目"_s, {});
        Form3 *list = open(u"く*"_s);
        // The list has the focus, with no row current yet (the focus alone makes the first row
        // current once it has come).
        activate(list);
        m_run->settle();
        list->list()->setCurrentIndex({});
        QSignalSpy chosen(list, &Form3::entryChosen);
        // One key at a time, as a person presses them: a later choice takes over from one whose
        // entry is still being looked up.
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_End,
                                  Qt::Key_End /* no move, no choice */, Qt::Key_Up}) {
            QTest::keyClick(list->list(), key);
            m_run->settle();
        }
        QList<int> ids;
        for (const QList<QVariant> &signal : std::as_const(chosen))
            ids << signal.at(0).toInt();
        QCOMPARE(ids, (QList<int>{first, second, third, second}));
    }

    // Each filling starts the list afresh, even with the same matches: nothing highlighted, the
    // first rows in view.
    void aRefillClearsTheHighlightAndShowsTheTop()
    {
        QList<NewEntry> entries;
        for (int i = 1; i <= 300; ++i)
            entries << NewEntry{u"語%1"_s.arg(i), {}, {}};
        m_run->kb().addAll(entries);
        Form3 *list = open(u"語*"_s);
        QListView *view = list->list();
        view->setCurrentIndex(view->model()->index(250, 0));
        view->scrollTo(view->currentIndex());
        QVERIFY(view->verticalScrollBar()->value() > 0);
        list->Form_Activate();
        m_run->settle();
        QVERIFY(!view->currentIndex().isValid());
        QVERIFY(view->selectionModel()->selectedIndexes().isEmpty());
        QCOMPARE(view->verticalScrollBar()->value(), 0);
    }

    // The first showing fills the list twice and prompts twice, also when the fillings read on
    // another thread and the second takes over from the first.
    void theFirstShowingPromptsTwiceEvenWhenFilledInTheBackground()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        m_run->state.SearchWord = u"*ぐり"_s;
        auto *list = m_run->keep(new Form3(m_run->state));
        list->Form_Initialize();
        list->present();
        QTRY_COMPARE(shownRows(list->list()), QStringList{u"どんぐり"_s});
        QTRY_COMPARE(log().requests().count(u"Speak リストから選んでください。"_s), 2);
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s, u"Play read"_s,
                              u"Speak リストから選んでください。"_s}));
    }

    void anEmptyListStillPrompts()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        Form3 *list = open(u"どん*"_s);
        m_run->state.SearchWord = u"ない*"_s;
        log().clear();
        list->Form_Activate();
        m_run->settle();
        QCOMPARE(rowCount(list->list()), 0);
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

    void anUnreadableFileListsNothingButStillPrompts()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        Form3 *list = open(u"どん*"_s);
        QCOMPARE(rowCount(list->list()), 1);
        m_run->state.DatabasePath = m_run->dir.path(); // now names a folder
        log().clear();
        list->Form_Activate();
        m_run->settle();
        QCOMPARE(rowCount(list->list()), 0);
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

    // Every activation asks again, but an unchanged knowledge base answers from the same pass,
    // and a million rows are not laid out anew; an entry taught meanwhile shows at once.
    void activatingAgainRefillsOnlyAfterAChange()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        Form3 *list = open(u"どん*"_s);
        QSignalSpy resets(list->list()->model(), &QAbstractItemModel::modelReset);
        list->Form_Activate();
        m_run->settle();
        QCOMPARE(resets.count(), 0);
        QCOMPARE(log().requests().count(u"Speak リストから選んでください。"_s), 2);
        m_run->kb().add(u"どんこ"_s, u"2"_s, {});
        list->Form_Activate();
        m_run->settle();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(shownRows(list->list()), (QStringList{u"どんぐり"_s, u"どんこ"_s}));
    }

    // A refill that reads many words runs on another thread: the rows shown stay until the new
    // ones come, and the prompt comes with them.
    void aLongRefillFollowsWhenItIsDone()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        m_run->state.SearchWord = u"*ぐり"_s;
        auto *list = m_run->keep(new Form3(m_run->state));
        list->present();
        QTRY_COMPARE(shownRows(list->list()), QStringList{u"どんぐり"_s});
        m_run->kb().add(u"ひぐり"_s, u"2"_s, {});
        log().clear();
        list->Form_Activate();
        QCOMPARE(shownRows(list->list()), QStringList{u"どんぐり"_s});
        QVERIFY(log().entries.isEmpty());
        QTRY_COMPARE(shownRows(list->list()), (QStringList{u"どんぐり"_s, u"ひぐり"_s}));
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

    // The words are read as they come into view, a page at a time, and only a few pages are
    // kept; the rows far down are there all the same.
    void aLongListReadsItsWordsAsTheyAreShown()
    {
        QList<NewEntry> entries;
        for (int i = 1; i <= 3000; ++i)
            entries << NewEntry{u"語%1"_s.arg(i, 4, 10, QChar(u'0')), {}, {}};
        m_run->kb().addAll(entries);
        Form3 *list = open(u"語*"_s);
        QListView *view = list->list();
        QCOMPARE(rowCount(view), 3000);
        QCOMPARE(shownRow(view, 0).toString(), u"語0001"_s);
        // A row chosen before its word has come is chosen all the same.
        QSignalSpy early(list, &Form3::entryChosen);
        list->List1_Click(view->model()->index(2500, 0));
        m_run->settle();
        QCOMPARE(early.count(), 1);
        QCOMPARE(early[0].at(0).toInt(), 2501);
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        QCOMPARE(shownRow(view, 2999).toString(), u"語3000"_s);
        QCOMPARE(shownRows(view).mid(1234, 2), (QStringList{u"語1235"_s, u"語1236"_s}));
        QSignalSpy chosen(list, &Form3::entryChosen);
        view->scrollTo(view->model()->index(2999, 0));
        clickRow(view, 2999);
        QTRY_COMPARE(chosen.count(), 1);
        QCOMPARE(chosen[0].at(0).toInt(), 3000);
    }

    // What the list shows comes from the knowledge base it was filled from; once that cannot be
    // read any more the list empties instead of showing what it read before.
    void aKnowledgeBaseThatBreaksWhileShownEmptiesTheList()
    {
        QList<NewEntry> entries;
        for (int i = 1; i <= 2000; ++i)
            entries << NewEntry{u"語%1"_s.arg(i), u"長い意味。"_s.repeated(20), {}};
        m_run->kb().addAll(entries);
        Form3 *list = open(u"語*"_s);
        QListView *view = list->list();
        QCOMPARE(shownRow(view, 0).toString(), u"語1"_s);

        execSql(m_run->state.DatabasePath, "DROP TABLE 言葉");
        QVERIFY(!view->model()->index(1500, 0).data().isValid());
        QTRY_COMPARE(rowCount(view), 0);
        log().clear();
        list->Form_Activate(); // and a later filling finds nothing either
        m_run->settle();
        QCOMPARE(rowCount(view), 0);
        QCOMPARE(log().requests().last(), u"Speak リストから選んでください。"_s);
    }

    void switchingToTheListActivatesItUnlessComingFromAStandIn_data()
    {
        QTest::addColumn<bool>("standIn");
        QTest::addColumn<QStringList>("requests");
        QTest::newRow("from another window of the program")
            << false << QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s};
        QTest::newRow("from a window standing in for a browser") << true << QStringList{};
    }
    void switchingToTheListActivatesItUnlessComingFromAStandIn()
    {
        QFETCH(bool, standIn);
        QFETCH(QStringList, requests);
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        m_run->state.SearchWord = u"どん*"_s;
        Form3 *list = m_run->keep(new Form3(m_run->state));
        QWidget *other = m_run->keep(new QWidget);
        if (standIn)
            standInForAnotherApplication(other);
        activate(list);
        activate(other);
        m_run->settle();
        log().clear();
        activate(list);
        m_run->settle();
        QCOMPARE(log().requests(), requests);
    }

    // The teach, correction and settings windows close themselves; the list they leave the
    // focus to is activated as if the user had switched to it.
    void comingBackFromAnOwnWindowThatClosedActivatesTheList()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        m_run->state.SearchWord = u"どん*"_s;
        Form3 *list = m_run->keep(new Form3(m_run->state));
        activate(list);
        auto *teach = new QWidget;
        teach->setAttribute(Qt::WA_DeleteOnClose);
        teach->show();
        activate(teach);
        m_run->settle();
        log().clear();
        teach->close();
        activate(list);
        m_run->settle();
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

private:
    static void activate(QWidget *window)
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    // The list as question answering shows it after a pattern question.
    Form3 *open(const QString &pattern)
    {
        m_run->state.SearchWord = pattern;
        auto *list = new Form3(m_run->state);
        list->present();
        m_run->settle();
        return m_run->keep(list);
    }
};

QTEST_MAIN(TestForm3)
#include "test_form3.moc"

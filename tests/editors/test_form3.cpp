#include "editors/form3.h"
#include "support/window_run.h"
#include "ui/ui_support.h"

#include <QListWidget>
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
        QCOMPARE(items(list), (QStringList{u"どんぐり"_s, u"どんぶり"_s.leftJustified(50, u' ')}));
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
        clickRow(list, 1);
        clickRow(list, 2);
        QCOMPARE(chosen.count(), 2);
        QCOMPARE(chosen[0].at(0).toInt(), first);
        QCOMPARE(chosen[1].at(0).toInt(), padded);
        QVERIFY(list->isVisible()); // stays open with its list
        QCOMPARE(list->list()->count(), 3);

        // Enter on the current item chooses it too.
        list->list()->setCurrentRow(0);
        QTest::keyClick(list->list(), Qt::Key_Return);
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
        clickRow(list, 0);
        QCOMPARE(chosen.count(), 0);
        QVERIFY(log().entries.isEmpty());
    }

    void anEmptyListStillPrompts()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        Form3 *list = open(u"どん*"_s);
        m_run->state.SearchWord = u"ない*"_s;
        log().clear();
        list->Form_Activate();
        QCOMPARE(list->list()->count(), 0);
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

    void anUnreadableFileListsNothingButStillPrompts()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        Form3 *list = open(u"どん*"_s);
        QCOMPARE(list->list()->count(), 1);
        m_run->state.DatabasePath = m_run->dir.path(); // now names a folder
        log().clear();
        list->Form_Activate();
        QCOMPARE(list->list()->count(), 0);
        QCOMPARE(log().requests(),
                 (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
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
        log().clear();
        activate(list);
        QCOMPARE(log().requests(), requests);
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
        return m_run->keep(list);
    }
    static QStringList items(Form3 *list)
    {
        QStringList texts;
        for (int i = 0; i < list->list()->count(); ++i)
            texts << list->list()->item(i)->text();
        return texts;
    }
    static void clickRow(Form3 *list, int row)
    {
        QListWidget *widget = list->list();
        const QRect place = widget->visualItemRect(widget->item(row));
        QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, place.center());
    }
};

QTEST_MAIN(TestForm3)
#include "test_form3.moc"

#include "knowledge_base.h"
#include "test_run.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestForm3 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_run = std::make_unique<TestRun>();
        m_run->start();
    }
    void cleanup() { m_run.reset(); }

    void clickingAWordPresentsIt()
    {
        m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        m_run->kb().add(u"どんぶり"_s.leftJustified(50, u' '), u"器"_s, {});
        ask(u"どん*"_s);
        Form3 *list = m_run->form().listWindow();
        QCOMPARE(list->windowTitle(), u"一覧表"_s);
        QCOMPARE(list->list()->count(), 2);
        QCOMPARE(list->list()->item(1)->text(), u"どんぶり"_s.leftJustified(50, u' ')); // as stored
        log().clear();
        m_run->state.IdleCount = 900;
        clickRow(list, 1);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 器"_s}));
        QCOMPARE(m_run->state.IdleCount, 0);
        QVERIFY(m_run->form().listWindow()); // stays open with its list
        QCOMPARE(list->list()->count(), 2);
    }

    void equalWordsPresentTheFirstEntry()
    {
        m_run->kb().add(u"くり"_s, u"一つ目"_s, {});
        m_run->kb().add(u"くり"_s, u"二つ目"_s, {});
        ask(u"く*"_s);
        log().clear();
        clickRow(m_run->form().listWindow(), 1);
        QCOMPARE(log().requests().last(), u"Speak 一つ目"_s);
    }

    void aWordGoneSinceTheListWasFilledPresentsNothing()
    {
        const qint32 id = m_run->kb().add(u"どんぐり"_s, u"木の実"_s, {});
        m_run->kb().add(u"くり"_s, u"栗"_s, {});
        ask(u"どん*"_s);
        m_run->kb().update(id, u"かし"_s, u"樫"_s, {});
        log().clear();
        clickRow(m_run->form().listWindow(), 0);
        QVERIFY(log().entries.isEmpty());
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
        QCOMPARE(list->list()->count(), 3);
        QCOMPARE(log().requests(), (QStringList{u"Play announce"_s, u"Speak 3件見つかりました。"_s,
                                                u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

    void anEmptyListStillPrompts()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        ask(u"どん*"_s);
        m_run->state.SearchWord = u"ない*"_s;
        log().clear();
        m_run->form().listWindow()->Form_Activate();
        QCOMPARE(m_run->form().listWindow()->list()->count(), 0);
        QCOMPARE(log().requests(), (QStringList{u"Play read"_s, u"Speak リストから選んでください。"_s}));
    }

    void closingAndReopeningFillsOnce()
    {
        m_run->kb().add(u"どんぐり"_s, u"1"_s, {});
        ask(u"どん*"_s);
        m_run->form().listWindow()->Command1_Click();
        QTRY_VERIFY(!m_run->form().listWindow());
        log().clear();
        ask(u"どん*"_s);
        QCOMPARE(log().requests().count(u"Speak リストから選んでください。"_s), 1);
    }

private:
    CharacterLog &log() { return m_run->log(); }
    void ask(const QString &question) { m_run->ask(question); }
    static void clickRow(Form3 *list, int row)
    {
        QListWidget *widget = list->list();
        const QRect place = widget->visualItemRect(widget->item(row));
        QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, place.center());
    }

    std::unique_ptr<TestRun> m_run;
};

QTEST_MAIN(TestForm3)
#include "test_form3.moc"

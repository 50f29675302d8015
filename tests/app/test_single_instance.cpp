#include "single_instance.h"

#include <QSignalSpy>
#include <QTest>
#include <QUuid>

using namespace donguri;
using namespace Qt::StringLiterals;

class TestSingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aSecondStartHandsOverToTheFirst()
    {
        const QString name = u"donguri-test-"_s + QUuid::createUuid().toString(QUuid::Id128);
        SingleInstance first(name);
        QVERIFY(!first.handOverToRunningInstance()); // nobody there: it listens now
        QSignalSpy raised(&first, &SingleInstance::activationRequested);

        SingleInstance second(name);
        QVERIFY(second.handOverToRunningInstance());
        QVERIFY(raised.wait(3000));
        QCOMPARE(raised.count(), 1);
    }

    void aStaleSocketFromACrashedRunIsTakenOver()
    {
        const QString name = u"donguri-test-"_s + QUuid::createUuid().toString(QUuid::Id128);
        {
            SingleInstance crashed(name);
            QVERIFY(!crashed.handOverToRunningInstance());
        } // its server is gone; a socket file may be left behind
        SingleInstance next(name);
        QVERIFY(!next.handOverToRunningInstance());
        SingleInstance third(name);
        QVERIFY(third.handOverToRunningInstance());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"

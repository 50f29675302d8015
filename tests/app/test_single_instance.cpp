#include "app/single_instance.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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
        // A run that crashed leaves its socket file behind with nobody listening on it.
        const QByteArray path = QFile::encodeName(QDir::tempPath() + u'/' + name);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
        ::close(fd);
        QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));

        SingleInstance next(name);
        QVERIFY(!next.handOverToRunningInstance());
        SingleInstance third(name);
        QVERIFY(third.handOverToRunningInstance());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on a private session bus (dbus-run-session).
#include "app/single_instance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
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
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    }

    void init() { m_runtime.emplace(); }

    void cleanup()
    {
        for (const QString &name : std::exchange(m_connections, {}))
            QDBusConnection::disconnectFromBus(name);
    }

    void aSecondStartHandsOverToTheFirst_data()
    {
        QTest::addColumn<bool>("sessionBus");
        QTest::newRow("on the session bus") << true;
        QTest::newRow("through the runtime folder, without a bus") << false;
    }
    void aSecondStartHandsOverToTheFirst()
    {
        QFETCH(bool, sessionBus);
        SingleInstance first(sessionBus ? connectToBus() : noBus(), m_runtime->path());
        QVERIFY(!first.handOverToRunningInstance()); // nobody there: it answers now
        QSignalSpy raised(&first, &SingleInstance::activationRequested);

        SingleInstance second(sessionBus ? connectToBus() : noBus(), m_runtime->path());
        QVERIFY(second.handOverToRunningInstance());
        QTRY_COMPARE(raised.count(), 1);
        // With a bus the runtime folder is left alone.
        const QDir runtime(m_runtime->path());
        QCOMPARE(runtime.isEmpty(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 sessionBus);
    }

    void theNameIsFreeAgainOnceTheProgramEnds()
    {
        {
            SingleInstance first(connectToBus(), m_runtime->path());
            QVERIFY(!first.handOverToRunningInstance());
        }
        SingleInstance next(connectToBus(), m_runtime->path());
        QVERIFY(!next.handOverToRunningInstance());
    }

    void theDesktopBringsTheBarForward_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("arguments");
        QTest::newRow("Activate") << u"Activate"_s << QVariantList{QVariantMap()};
        QTest::newRow("Open") << u"Open"_s
                              << QVariantList{QStringList{u"file:///tmp/x.html"_s}, QVariantMap()};
        QTest::newRow("ActivateAction")
            << u"ActivateAction"_s << QVariantList{u"quit"_s, QVariantList(), QVariantMap()};
    }
    void theDesktopBringsTheBarForward()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, arguments);
        SingleInstance running(connectToBus(), m_runtime->path());
        QVERIFY(!running.handOverToRunningInstance());
        QSignalSpy raised(&running, &SingleInstance::activationRequested);

        QDBusMessage call =
            QDBusMessage::createMethodCall(SingleInstance::ServiceName, SingleInstance::ObjectPath,
                                           u"org.freedesktop.Application"_s, method);
        call.setArguments(arguments);
        const QDBusMessage reply = connectToBus().call(call, QDBus::BlockWithGui);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(raised.count(), 1);
    }

    void withoutABusTheSocketIsTheSessionsOwn()
    {
        SingleInstance first(noBus(), m_runtime->path());
        QVERIFY(!first.handOverToRunningInstance());
        QCOMPARE(QFileInfo(first.socketPath()).absolutePath(), m_runtime->path());
        QVERIFY(QFileInfo::exists(first.socketPath()));
        QVERIFY(!QFileInfo::exists(QDir::temp().filePath(SingleInstance::ServiceName)));
    }

    void withoutABusOrARuntimeFolderEveryStartStandsAlone()
    {
        const QStringList before = QDir::temp().entryList(QDir::System | QDir::Files);
        SingleInstance first(noBus(), QString());
        QVERIFY(!first.handOverToRunningInstance());
        SingleInstance second(noBus(), QString());
        QVERIFY(!second.handOverToRunningInstance());
        QVERIFY(first.socketPath().isEmpty());
        QCOMPARE(QDir::temp().entryList(QDir::System | QDir::Files), before);
    }

    void theRuntimeFolderIsTheSessionsOrNone()
    {
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
        QCOMPARE(SingleInstance::sessionRuntimeFolder(), m_runtime->path());
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(SingleInstance::sessionRuntimeFolder(), QString());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->filePath(u"gone"_s)));
        QCOMPARE(SingleInstance::sessionRuntimeFolder(), QString());
        qputenv("XDG_RUNTIME_DIR", saved);
    }

    void aStaleSocketFromACrashedRunIsTakenOver()
    {
        // A run that crashed leaves its socket file behind with nobody listening on it.
        const QByteArray path =
            QFile::encodeName(QDir(m_runtime->path()).filePath(SingleInstance::ServiceName));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
        ::close(fd);
        QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));

        SingleInstance next(noBus(), m_runtime->path());
        QVERIFY(!next.handOverToRunningInstance());
        SingleInstance third(noBus(), m_runtime->path());
        QVERIFY(third.handOverToRunningInstance());
    }

private:
    // A connection of its own to the session bus, as another process would have.
    QDBusConnection connectToBus()
    {
        m_connections << QUuid::createUuid().toString(QUuid::Id128);
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connections.last());
    }
    static QDBusConnection noBus() { return QDBusConnection(u"no bus"_s); }

    std::optional<QTemporaryDir> m_runtime;
    QStringList m_connections;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"

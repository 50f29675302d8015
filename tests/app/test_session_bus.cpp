// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/session_bus.h"
#include "support/test_env.h"

#include <QDir>
#include <QLocalServer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// Without a session bus the program names an address that fails at once, so that libdbus does
// not start a bus of its own that outlives it. (The program itself, started without a bus, is
// tested in test_desktop_windows.)
class TestSessionBus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theAddressSetInsteadOfAutolaunching_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QString>("runtimeFolder"); // in the test's folder; empty: none
        QTest::addColumn<QString>("bus");           // what $XDG_RUNTIME_DIR/bus is
        QTest::addColumn<QByteArray>("expected"); // "" when left alone; RUNTIME: the test's folder
        QTest::newRow("a bus named")
            << QByteArray("unix:path=/run/user/1000/bus") << u"run"_s << u"none"_s << QByteArray();
        QTest::newRow("the user's bus socket")
            << QByteArray() << u"run"_s << u"socket"_s << QByteArray();
        QTest::newRow("no bus") << QByteArray() << u"run"_s << u"none"_s
                                << QByteArray("unix:path=RUNTIME/run/bus");
        QTest::newRow("a plain file in its place")
            << QByteArray() << u"run"_s << u"file"_s << QByteArray("unix:path=RUNTIME/run/bus");
        QTest::newRow("no runtime folder")
            << QByteArray() << QString() << u"none"_s << QByteArray("disabled:");
        QTest::newRow("a folder name to escape")
            << QByteArray() << u"run time~1,=;"_s << u"none"_s
            << QByteArray("unix:path=RUNTIME/run%20time%7E1%2C%3D%3B/bus");
    }
    void theAddressSetInsteadOfAutolaunching()
    {
        QFETCH(QByteArray, address);
        QFETCH(QString, runtimeFolder);
        QFETCH(QString, bus);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString folder = runtimeFolder.isEmpty() ? QString() : dir.filePath(runtimeFolder);
        if (!folder.isEmpty())
            QVERIFY(QDir().mkpath(folder));
        QLocalServer socket;
        if (bus == u"socket")
            QVERIFY(socket.listen(folder + u"/bus"_s));
        if (bus == u"file")
            writeBytes(folder + u"/bus"_s, "not a socket");

        const std::optional<QByteArray> set =
            addressWithoutAutolaunch(address, QFile::encodeName(folder));
        if (expected.isEmpty()) {
            QCOMPARE(set, std::nullopt);
            return;
        }
        QVERIFY(set);
        const QByteArray testFolder = QFile::encodeName(dir.path());
        QVERIFY2(QRegularExpression(u"^[-0-9A-Za-z_/.]*$"_s).match(dir.path()).hasMatch(),
                 testFolder.constData()); // needs no escaping itself
        QCOMPARE(*set, expected.replace("RUNTIME", testFolder));
    }
};

QTEST_GUILESS_MAIN(TestSessionBus)
#include "test_session_bus.moc"

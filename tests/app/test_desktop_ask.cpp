// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Asking from another program: its selection (held by xclip), the ask key pressed while its
// window has the focus (xdotool), and the desktop's shortcut portal, played by the test. Runs on
// a private session bus and Xvfb (dbus-run-session, tests/support/with_xvfb.sh).
#include "app/desktop_ask.h"
#include "app/selection_question.h"
#include "app/shortcut_portal.h"
#include "app/single_instance.h"
#include "app/x11_key_grab.h"
#include "support/test_run.h"
#include "support/x_desktop.h"

#include <QClipboard>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUuid>

#include <xcb/xcb.h>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

const QString PortalService = u"org.freedesktop.portal.Desktop"_s;
const QString PortalPath = u"/org/freedesktop/portal/desktop"_s;
const QString ShortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;

// xdg-desktop-portal as far as global shortcuts go: it opens a session, binds what it is asked to
// bind and answers each request by a Response signal, as the real one does after its dialog.
// Lives on a thread of its own, so that the program may wait for its answers.
class FakePortal : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QMutexLocker lock(&m_mutex);
        m_calls << message.member();
        if (message.member() == u"Get") {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(2U))));
        } else if (message.member() == u"Register") {
            connection.send(message.createReply());
        } else if (message.member() == u"CreateSession") {
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().at(0));
            m_session = u"/org/freedesktop/portal/desktop/session/%1/%2"_s.arg(
                sender(message), options.value(u"session_handle_token"_s).toString());
            respond(message, connection, options, {{u"session_handle"_s, m_session}});
        } else if (message.member() == u"BindShortcuts") {
            readShortcuts(message.arguments().at(1).value<QDBusArgument>());
            respond(message, connection, qdbus_cast<QVariantMap>(message.arguments().at(3)), {});
        } else {
            return false;
        }
        return true;
    }

    QStringList calls() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    QString session() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_session;
    }
    QMap<QString, QVariantMap> shortcuts() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_shortcuts;
    }

    // The user pressed the shortcut `id` of `session`.
    static void activate(const QDBusConnection &connection, const QString &session,
                         const QString &id)
    {
        QDBusMessage activated =
            QDBusMessage::createSignal(PortalPath, ShortcutsInterface, u"Activated"_s);
        activated << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1)
                  << QVariantMap();
        connection.send(activated);
    }

private:
    static QString sender(const QDBusMessage &message)
    {
        return message.service().mid(1).replace(u'.', u'_');
    }

    void respond(const QDBusMessage &message, const QDBusConnection &connection,
                 const QVariantMap &options, const QVariantMap &results)
    {
        const QString request = u"/org/freedesktop/portal/desktop/request/%1/%2"_s.arg(
            sender(message), options.value(u"handle_token"_s).toString());
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response =
            QDBusMessage::createSignal(request, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        response << 0U << results;
        connection.send(response);
    }

    void readShortcuts(const QDBusArgument &shortcuts)
    {
        shortcuts.beginArray();
        while (!shortcuts.atEnd()) {
            QString id;
            QVariantMap properties;
            shortcuts.beginStructure();
            shortcuts >> id >> properties;
            shortcuts.endStructure();
            m_shortcuts.insert(id, properties);
        }
        shortcuts.endArray();
    }

    mutable QMutex m_mutex;
    QStringList m_calls;
    QString m_session;
    QMap<QString, QVariantMap> m_shortcuts;
};

} // namespace

class TestDesktopAsk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_desktop.isConnected(), "needs an X display: run through with_xvfb.sh");
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    }

    void cleanup()
    {
        stopOwners();
        stopPortal();
        m_asked.clear();
        for (const QString &name : std::exchange(m_connections, {}))
            QDBusConnection::disconnectFromBus(name);
    }

    void theSelectionOfAnotherProgramIsAsked_data()
    {
        QTest::addColumn<QStringList>("primary");   // empty: nobody holds a selection
        QTest::addColumn<QStringList>("clipboard"); // the same
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("blanks and line ends around")
            << QStringList{u" \t どんぐり \r\n"_s} << QStringList() << QStringList{u"どんぐり"_s};
        QTest::newRow("several lines") << QStringList{u"\n  \n  木の実\nどんぐり\n"_s}
                                       << QStringList{u"くり"_s} << QStringList{u"木の実"_s};
        QTest::newRow("the selection before the clipboard")
            << QStringList{u"かき"_s} << QStringList{u"くり"_s} << QStringList{u"かき"_s};
        QTest::newRow("an empty selection: the clipboard")
            << QStringList{QString()} << QStringList{u"くり\n"_s} << QStringList{u"くり"_s};
        QTest::newRow("a blank selection: the clipboard")
            << QStringList{u" \n\t"_s} << QStringList{u"もも"_s} << QStringList{u"もも"_s};
        QTest::newRow("no selection: the clipboard")
            << QStringList() << QStringList{u"  なし "_s} << QStringList{u"なし"_s};
        QTest::newRow("nothing anywhere: nothing asked")
            << QStringList() << QStringList() << QStringList();
        QTest::newRow("empty everywhere: nothing asked")
            << QStringList{QString()} << QStringList{u"\n"_s} << QStringList();
        QTest::newRow("a page selected by a slip: nothing asked")
            << QStringList{QString(LongestSelectedQuestion + 1, u'字')} << QStringList{u"くり"_s}
            << QStringList();
    }
    void theSelectionOfAnotherProgramIsAsked()
    {
        QFETCH(QStringList, primary);
        QFETCH(QStringList, clipboard);
        QFETCH(QStringList, asked);
        for (const QString &text : primary)
            own("primary", text);
        for (const QString &text : clipboard)
            own("clipboard", text);
        DesktopAsk desktopAsk = asker();
        if (asked.isEmpty() && !primary.isEmpty()
            && primary.first().size() > LongestSelectedQuestion)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"longer than"_s));
        desktopAsk.askSelection();
        QCOMPARE(m_asked, asked);
    }

    void theDesktopsActionsAsk()
    {
        SingleInstance instance(connectToBus(), QString());
        QVERIFY(!instance.handOverToRunningInstance());
        DesktopAsk desktopAsk = asker();
        desktopAsk.listen(instance, std::nullopt);
        own("primary", u"  くり\n"_s);

        QDBusConnection desktop = connectToBus();
        QCOMPARE(activateAction(desktop, u"ask"_s, {u"ど*"_s}), QDBusMessage::ReplyMessage);
        QCOMPARE(activateAction(desktop, u"ask-selection"_s, {}), QDBusMessage::ReplyMessage);
        // A word that is not text is not asked, and the program stays.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"takes one string"_s));
        QCOMPARE(activateAction(desktop, u"ask"_s, {12}), QDBusMessage::ReplyMessage);
        QCOMPARE(m_asked, (QStringList{u"ど*"_s, u"くり"_s}));
    }

    void theKeyAsksWhileAnotherProgramHasTheFocus_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::newRow("Super+F1") << u"super+F1"_s;
        QTest::newRow("with NumLock on") << u"Num_Lock super+F1 Num_Lock"_s;
        QTest::newRow("with CapsLock on") << u"Caps_Lock super+F1 Caps_Lock"_s;
    }
    void theKeyAsksWhileAnotherProgramHasTheFocus()
    {
        QFETCH(QString, keys);
        DesktopAsk desktopAsk = asker();
        QCOMPARE(desktopAsk.listenForKey(AskKey::standard(), noBus(), false),
                 DesktopAsk::KeyWay::X11Grab);
        const quint32 other = m_desktop.focusNewWindow();
        own("primary", u"どんぐり"_s);
        press(keys);
        QTRY_COMPARE(m_asked, QStringList{u"どんぐり"_s});
        QCOMPARE(m_desktop.focusedWindow(), other);
        press(u"F1"_s); // F1 alone belongs to the program that has the focus
        press(u"ctrl+F1"_s);
        QTest::qWait(200);
        QCOMPARE(m_asked, QStringList{u"どんぐり"_s});
    }

    void aKeyAnotherProgramHoldsStaysTheirs_data()
    {
        QTest::addColumn<quint16>("held");
        QTest::newRow("as it is") << quint16(XCB_MOD_MASK_4);
        QTest::newRow("only with CapsLock on") << quint16(XCB_MOD_MASK_4 | XCB_MOD_MASK_LOCK);
    }
    void aKeyAnotherProgramHoldsStaysTheirs()
    {
        QFETCH(quint16, held);
        const bool heldAsItIs = held == XCB_MOD_MASK_4;
        {
            XDesktop other;
            QVERIFY(other.grabKey(0xffbe, held)); // F1
            own("primary", u"どんぐり"_s);
            DesktopAsk desktopAsk = asker();
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"already holds"_s));
            QCOMPARE(desktopAsk.listenForKey(AskKey::standard(), noBus(), false),
                     DesktopAsk::KeyWay::None);
            press(u"super+F1"_s);
            QTest::qWait(200);
            QVERIFY(m_asked.isEmpty());
            // Half a key is not kept: what the other program left free stays free.
            XDesktop third;
            QCOMPARE(third.grabKey(0xffbe, XCB_MOD_MASK_4), !heldAsItIs);
        }
    }

    void anAnswerLeavesTheFocusWhereItWasButTheTeachWindowTakesIt()
    {
        TestRun run;
        Form1 &bar = run.start();
        run.kb().add(u"どんぐり"_s, u"木の実"_s, QString());
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        DesktopAsk desktopAsk([&bar](const QString &question) { bar.ask(question); });
        QCOMPARE(desktopAsk.listenForKey(AskKey::standard(), noBus(), false),
                 DesktopAsk::KeyWay::X11Grab);
        const quint32 other = m_desktop.focusNewWindow();

        own("primary", u" どんぐり\n"_s);
        press(u"super+F1"_s);
        QTRY_VERIFY(run.log().requests().contains(u"Speak 木の実"_s));
        QCOMPARE(m_desktop.focusedWindow(), other);

        own("primary", u"知らない言葉"_s);
        press(u"super+F1"_s);
        QTRY_VERIFY(bar.teachWindow() && bar.teachWindow()->isVisible());
        QTRY_COMPARE(m_desktop.focusedWindow(), quint32(bar.teachWindow()->winId()));
        QCOMPARE(run.state.SearchWord, u"知らない言葉"_s);
    }

    void thePortalBindsTheShortcutAndTellsWhenItIsPressed()
    {
        FakePortal &portal = startPortal();
        ShortcutPortal shortcuts(connectToBus(), *AskKey::parse(u"Ctrl+Alt+D"_s));
        QSignalSpy bound(&shortcuts, &ShortcutPortal::bound);
        QSignalSpy pressed(&shortcuts, &ShortcutPortal::pressed);
        shortcuts.start();
        QTRY_COMPARE(bound.count(), 1);
        QCOMPARE(portal.calls(),
                 (QStringList{u"Register"_s, u"CreateSession"_s, u"BindShortcuts"_s}));
        const QVariantMap shortcut = portal.shortcuts().value(u"ask-selection"_s);
        QCOMPARE(shortcut.value(u"preferred_trigger"_s).toString(), u"CTRL+ALT+d"_s);
        QCOMPARE(shortcut.value(u"description"_s).toString(), u"選択した言葉を聞く"_s);

        FakePortal::activate(m_portalBus, portal.session(), u"ask-selection"_s);
        QTRY_COMPARE(pressed.count(), 1);
        // Another shortcut, or another program's session, is not ours.
        FakePortal::activate(m_portalBus, portal.session(), u"other"_s);
        FakePortal::activate(m_portalBus, portal.session() + u"x"_s, u"ask-selection"_s);
        FakePortal::activate(m_portalBus, portal.session(), u"ask-selection"_s);
        QTRY_COMPARE(pressed.count(), 2);
        QTest::qWait(100);
        QCOMPARE(pressed.count(), 2);
    }

    void onWaylandThePortalIsUsedWhereThereIsOne()
    {
        own("primary", u"くり"_s);
        {
            DesktopAsk desktopAsk = asker();
            QCOMPARE(desktopAsk.listenForKey(AskKey::standard(), connectToBus(), true),
                     DesktopAsk::KeyWay::X11Grab); // no portal yet: XWayland's windows at least
        }
        FakePortal &portal = startPortal();
        {
            DesktopAsk desktopAsk = asker();
            QCOMPARE(desktopAsk.listenForKey(std::nullopt, connectToBus(), true),
                     DesktopAsk::KeyWay::None); // turned off in donguri.conf
            QCOMPARE(desktopAsk.listenForKey(AskKey::standard(), connectToBus(), false),
                     DesktopAsk::KeyWay::X11Grab); // on X11 the portal is not asked
        }
        DesktopAsk desktopAsk = asker();
        QCOMPARE(desktopAsk.listenForKey(AskKey::standard(), connectToBus(), true),
                 DesktopAsk::KeyWay::Portal);
        QTRY_COMPARE(portal.calls().count(u"BindShortcuts"_s), 1);
        FakePortal::activate(m_portalBus, portal.session(), u"ask-selection"_s);
        QTRY_COMPARE(m_asked, QStringList{u"くり"_s});
    }

private:
    DesktopAsk asker()
    {
        return DesktopAsk([this](const QString &question) { m_asked << question; });
    }

    // Another X client takes the selection and holds `text` until the test ends.
    void own(const char *selection, const QString &text)
    {
        const QByteArray name = QByteArray(selection).toUpper();
        const quint32 before = m_desktop.selectionOwner(name.constData());
        auto *xclip = new QProcess(this);
        xclip->start(u"xclip"_s,
                     {u"-quiet"_s, u"-selection"_s, QString::fromLatin1(selection), u"-i"_s});
        QVERIFY(xclip->waitForStarted());
        xclip->write(text.toUtf8());
        xclip->closeWriteChannel();
        m_owners << xclip;
        QTRY_VERIFY(m_desktop.selectionOwner(name.constData()) != before
                    && m_desktop.selectionOwner(name.constData()) != 0);
        // The program reads the new owner's text, not what it may have kept of the old one.
        const QClipboard::Mode mode =
            name == "PRIMARY" ? QClipboard::Selection : QClipboard::Clipboard;
        QTRY_COMPARE(QGuiApplication::clipboard()->text(mode), text);
    }

    void stopOwners()
    {
        for (QProcess *xclip : std::exchange(m_owners, {})) {
            xclip->kill();
            xclip->waitForFinished();
            delete xclip;
        }
        // Until the program has seen the selections go.
        QTRY_VERIFY(DesktopAsk::selectedText().isEmpty());
    }

    static void press(const QString &keys)
    {
        QProcess xdotool;
        xdotool.start(u"xdotool"_s, QStringList{u"key"_s} + keys.split(u' '));
        QVERIFY(xdotool.waitForFinished());
        QCOMPARE(xdotool.exitCode(), 0);
    }

    static QDBusMessage::MessageType activateAction(const QDBusConnection &bus, const QString &name,
                                                    const QVariantList &parameter)
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(SingleInstance::ServiceName, SingleInstance::ObjectPath,
                                           u"org.freedesktop.Application"_s, u"ActivateAction"_s);
        call << name << QVariant::fromValue(parameter) << QVariantMap();
        return bus.call(call, QDBus::BlockWithGui).type();
    }

    FakePortal &startPortal()
    {
        if (!m_portal) {
            m_portalThread.start();
            m_portal = std::make_unique<FakePortal>();
            m_portal->moveToThread(&m_portalThread);
            m_portalBus = connectToBus();
            m_portalBus.registerVirtualObject(PortalPath, m_portal.get());
            m_portalBus.interface()->registerService(PortalService);
        }
        return *m_portal;
    }

    void stopPortal()
    {
        if (!m_portal)
            return;
        m_portalBus.interface()->unregisterService(PortalService);
        m_portalBus.unregisterObject(PortalPath);
        m_portalThread.quit();
        m_portalThread.wait();
        m_portal.reset();
    }

    QDBusConnection connectToBus()
    {
        m_connections << QUuid::createUuid().toString(QUuid::Id128);
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connections.last());
    }
    static QDBusConnection noBus() { return QDBusConnection(u"no bus"_s); }

    XDesktop m_desktop;
    QStringList m_asked;
    QList<QProcess *> m_owners;
    QStringList m_connections;
    QThread m_portalThread;
    std::unique_ptr<FakePortal> m_portal;
    QDBusConnection m_portalBus{u"no portal"_s};
};

QTEST_MAIN(TestDesktopAsk)
#include "test_desktop_ask.moc"

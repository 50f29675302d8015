// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The windows as the desktop receives them over X. Runs on a private Xvfb
// (tests/support/with_xvfb.sh).
#include "app/desktop_integration.h"
#include "character/drawn_character.h"
#include "character/figure_window.h"
#include "character/speech_balloon.h"
#include "support/test_env.h"
#include "support/test_run.h"
#include "support/x_desktop.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestDesktopWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        introduceToDesktop(*qApp); // as the program does at start
        QVERIFY2(m_desktop.isConnected(), "needs an X display: run through with_xvfb.sh");
    }
    void cleanupTestCase() { m_everyWindow.reset(); }

    void everyWindowShowsExactlyItsCaption_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("caption");
        QTest::newRow("question bar") << u"Form1"_s << u"どんぐりくん"_s;
        QTest::newRow("teach") << u"Form2"_s << u"教えてください。"_s;
        QTest::newRow("match list") << u"Form3"_s << u"一覧表"_s;
        QTest::newRow("correction") << u"Form4"_s << u"直します。"_s;
        QTest::newRow("settings") << u"Form5"_s << u"ファイル設定"_s;
        QTest::newRow("document") << u"DocumentWindow"_s << u"page.html"_s;
        QTest::newRow("character") << u"CharacterFigure"_s << u"キャラクター"_s;
        QTest::newRow("speech balloon") << u"SpeechBalloon"_s << u"吹き出し"_s;
    }
    void everyWindowShowsExactlyItsCaption()
    {
        QFETCH(QString, objectName);
        QFETCH(QString, caption);
        if (!m_everyWindow)
            openEveryWindow();
        QWidget *window = topLevelWindow(objectName);
        QVERIFY2(window, qPrintable(objectName + u" was never made"_s));
        // The balloon is shown only while the character speaks; its X window has its title
        // from the start all the same.
        QTRY_COMPARE(m_desktop.windowName(quint32(window->winId())), caption);
    }

    // The character and its balloon are not windows to switch to: no task bar or pager entry,
    // each time they appear (a window manager forgets the states of a hidden window).
    void theCharacterStaysOutOfTheTaskBar()
    {
        DesktopCharacterLoader loader;
        const auto character =
            std::static_pointer_cast<DrawnCharacter>(loader.Load(u"Genie"_s, u"Genie.acs"_s));
        character->setTimeScale(0.02);
        QSignalSpy idle(character.get(), &DrawnCharacter::idle);
        for (int round = 0; round < 2; ++round) {
            character->Show();
            character->Speak(u"こんにちは"_s);
            QTRY_VERIFY(character->balloon()->isVisible());
            for (QWidget *window : {static_cast<QWidget *>(character->figure()),
                                    static_cast<QWidget *>(character->balloon())}) {
                const QStringList states = m_desktop.windowStates(quint32(window->winId()));
                QVERIFY2(states.contains(u"_NET_WM_STATE_SKIP_TASKBAR"_s),
                         qPrintable(states.join(u' ')));
                QVERIFY(states.contains(u"_NET_WM_STATE_SKIP_PAGER"_s));
                QVERIFY(states.contains(u"_NET_WM_STATE_ABOVE"_s)); // Qt's own state kept
            }
            character->Play(u"hide"_s);
            QVERIFY(idle.wait(10000));
            QVERIFY(!character->figure()->isVisible());
            // What a window manager does when a window is withdrawn.
            for (QWidget *window : {static_cast<QWidget *>(character->figure()),
                                    static_cast<QWidget *>(character->balloon())})
                m_desktop.forgetStates(quint32(window->winId()));
        }
    }

    void closingTheBarFromItsTitleBarEndsAtOnceWithoutAFarewell()
    {
        TestRun run;
        Form1 &bar = run.start();
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QSignalSpy ended(&bar, &Form1::endRequested);
        m_desktop.askToClose(quint32(bar.winId()));
        QTRY_COMPARE(ended.count(), 1);
        QVERIFY(!bar.isVisible());
        QVERIFY(run.log().entries.isEmpty()); // no farewell, nothing else either
        QVERIFY(!bar.Timer2().isActive());
    }

    void theProgramEndsPromptlyAndCleanly_data()
    {
        QTest::addColumn<bool>("endOfSession");
        QTest::newRow("its bar closed from the title bar") << false;
        // Logging out ends the programs of the session with SIGTERM.
        QTest::newRow("the session ends") << true;
    }

    // Either way it closes its knowledge base cleanly: the file alone is left, whole.
    void theProgramEndsPromptlyAndCleanly()
    {
        QFETCH(bool, endOfSession);
        QTemporaryDir home;
        QProcess donguri;
        quint32 bar = 0;
        QVERIFY(startCopy(donguri, home.path(), privateSession(home.path()), &bar));
        // The character's choice has been read from it: the knowledge base is open.
        const QString kb = home.filePath(u"どんぐりくん.mdb"_s);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(kb + u"-wal"_s), 30000);
        if (endOfSession)
            ::kill(pid_t(donguri.processId()), SIGTERM);
        else
            m_desktop.askToClose(bar);
        // The farewell of 終了 takes five seconds; these have none.
        QVERIFY(donguri.waitForFinished(4000));
        QCOMPARE(donguri.exitStatus(), QProcess::NormalExit);
        QCOMPARE(donguri.exitCode(), 0);
        QVERIFY(QFile::exists(kb));
        QVERIFY(!QFile::exists(kb + u"-wal"_s));
        QVERIFY(!QFile::exists(kb + u"-shm"_s));
    }

    // Without a session bus (none named, none in the runtime folder) the program comes up and
    // answers a second start through its socket, and starts no bus of its own: libdbus would
    // otherwise launch one through the X display, and it would outlive the program.
    void withoutASessionBusTheProgramStartsNoneOfItsOwn()
    {
        if (QStandardPaths::findExecutable(u"dbus-launch"_s).isEmpty())
            QSKIP("needs dbus-launch (dbus-x11), which is what would start a bus");
        QTemporaryDir home;
        QProcessEnvironment environment = privateSession(home.path());
        environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        QVERIFY(!QFileInfo::exists(home.filePath(u"bus"_s)));
        QProcess donguri;
        // Whatever the outcome, nothing started here is left running.
        const auto endEverything = qScopeGuard([&] {
            donguri.kill();
            donguri.waitForFinished();
            endProcessesOf(home.path());
        });
        quint32 bar = 0;
        QVERIFY(startCopy(donguri, home.path(), environment, &bar));
        QVERIFY(QFileInfo::exists(home.filePath(u"org.donguri.Donguri"_s))); // its socket

        QProcess second;
        second.setProcessEnvironment(environment);
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(home.filePath(u"donguri"_s), {});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 0); // handed over to the first
        QCOMPARE(donguri.state(), QProcess::Running);

        m_desktop.askToClose(bar);
        QVERIFY(donguri.waitForFinished(10000));
        QCOMPARE(donguri.exitCode(), 0);
        const QStringList left = endProcessesOf(home.path());
        QVERIFY2(left.isEmpty(), qPrintable(u"still running: "_s + left.join(u"; "_s)));
        QVERIFY(!QFileInfo::exists(home.filePath(u".dbus"_s))); // where an autolaunch notes its bus
    }

private:
    // Starts a copy of the program in `home`, so that the settings and knowledge base it makes
    // stay there, and waits for its bar to come up.
    bool startCopy(QProcess &donguri, const QString &home, const QProcessEnvironment &environment,
                   quint32 *bar)
    {
        const QString program = home + u"/donguri"_s;
        if (!QFile::copy(QStringLiteral(DONGURI_EXECUTABLE), program))
            return false;
        donguri.setProcessEnvironment(environment);
        donguri.setProcessChannelMode(QProcess::ForwardedChannels);
        donguri.start(program, {});
        if (!donguri.waitForStarted())
            return false;
        const QDeadlineTimer deadline(30000);
        QList<quint32> bars;
        while (
            (bars = m_desktop.windowsOfProcess(donguri.processId(), u"どんぐりくん"_s)).isEmpty()) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(20);
        }
        *bar = bars.first();
        return true;
    }

    // The command lines of the processes still running in the surroundings of `home` (started
    // by a program run there), which are then ended.
    static QStringList endProcessesOf(const QString &home)
    {
        const QByteArray homeVariable = "HOME=" + QFile::encodeName(home);
        QStringList left;
        const QStringList processes = QDir(u"/proc"_s).entryList(QDir::Dirs);
        for (const QString &pid : processes) {
            QFile environment(u"/proc/%1/environ"_s.arg(pid));
            if (pid.toInt() <= 0 || !environment.open(QIODevice::ReadOnly))
                continue;
            if (!environment.readAll().split('\0').contains(homeVariable))
                continue;
            QFile commandLine(u"/proc/%1/cmdline"_s.arg(pid));
            left << (commandLine.open(QIODevice::ReadOnly)
                         ? QString::fromLocal8Bit(commandLine.readAll().replace('\0', ' '))
                         : pid);
            ::kill(pid_t(pid.toInt()), SIGTERM);
        }
        return left;
    }

    // The bar with every window it opens, on the program's own drawn characters.
    struct EveryWindow
    {
        TestRun run;
        DesktopCharacterLoader characters;
        std::unique_ptr<Form1> bar;
    };

    void openEveryWindow()
    {
        m_everyWindow = std::make_unique<EveryWindow>();
        TestRun &run = m_everyWindow->run;
        const QString page = run.file(u"page.html"_s);
        writeBytes(page, "<html><body>page</body></html>");
        run.kb().add(u"どんぐり"_s, u"木の実"_s, page);
        m_everyWindow->bar = std::make_unique<Form1>(
            run.state,
            Services{run.clock, run.random, m_everyWindow->characters, run.links, run.chooser});
        Form1 &bar = *m_everyWindow->bar;
        bar.show();
        run.settle();
        ask(run, bar, u"どんぐり"_s);     // the document
        ask(run, bar, u"知らない言葉"_s); // teach
        ask(run, bar, u"ど*"_s);          // match list
        bar.Command4_Click();             // correction
        bar.Command5_Click();             // settings
    }

    static void ask(TestRun &run, Form1 &bar, const QString &question)
    {
        bar.findChild<QLineEdit *>(u"Text1"_s)->setText(question);
        bar.Command1_Click();
        run.settle();
    }

    static QWidget *topLevelWindow(const QString &objectName)
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() == objectName)
                return window;
        }
        return nullptr;
    }

    // The program's surroundings in a temporary home: no session bus, its own runtime folder.
    static QProcessEnvironment privateSession(const QString &home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, home);
        env.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
        env.insert(u"XDG_DATA_HOME"_s, home + u"/.local/share"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, home);
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + home + u"/no-bus"_s);
        return env;
    }

    XDesktop m_desktop;
    std::unique_ptr<EveryWindow> m_everyWindow;
};

QTEST_MAIN(TestDesktopWindows)
#include "test_desktop_windows.moc"

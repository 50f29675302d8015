// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line, and what it does before Qt starts: the rules, then the program
// itself as a terminal starts it.
#include "app/command_line.h"
#include "support/test_env.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The program runs from a folder of its own: the build's bin folder may hold a donguri.ini
    // naming the developer's own knowledge base (scripts/run writes one).
    void initTestCase()
    {
        QVERIFY(m_programFolder.isValid());
        QVERIFY(QFile::copy(QStringLiteral(DONGURI_EXECUTABLE), program()));
    }

    void readsHelpVersionAndQtsDisplayOptions()
    {
        using Request = CommandLine::Request;
        QCOMPARE(CommandLine::read({u"donguri"_s}).request, Request::Run);
        QCOMPARE(CommandLine::read({u"donguri"_s, u"--help"_s}).request, Request::Help);
        QCOMPARE(CommandLine::read({u"donguri"_s, u"-h"_s}).request, Request::Help);
        QCOMPARE(CommandLine::read({u"donguri"_s, u"--version"_s}).request, Request::Version);
        const CommandLine qt = CommandLine::read(
            {u"donguri"_s, u"-platform"_s, u"offscreen"_s, u"-display"_s, u":7"_s});
        QCOMPARE(qt.request, Request::Run);
        QCOMPARE(qt.platform, u"offscreen"_s);
        QCOMPARE(qt.display, u":7"_s);
        // A value is never taken for an option.
        QCOMPARE(CommandLine::read({u"donguri"_s, u"-style"_s, u"--help"_s}).request,
                 Request::Help);
    }

    void anythingButQtsOwnOptionsIsAUsageError()
    {
        QCOMPARE(unexpectedArgument({u"donguri"_s}), std::nullopt);
        QCOMPARE(unexpectedArgument({u"donguri"_s, u"-style"_s, u"fusion"_s}), std::nullopt);
        const std::optional<QString> problem = unexpectedArgument({u"donguri"_s, u"どんぐり"_s});
        QVERIFY(problem);
        QVERIFY(problem->contains(u"どんぐり"_s));
        QVERIFY(!problem->contains(u'\n'));
    }

    void aWaylandSessionAsksForX11ThenWayland()
    {
        DisplayEnvironment wayland;
        wayland.sessionType = u"wayland"_s;
        QCOMPARE(preferredPlatforms(wayland), u"xcb;wayland"_s);
        wayland.sessionType.clear();
        wayland.waylandDisplay = u"wayland-1"_s;
        QCOMPARE(preferredPlatforms(wayland), u"xcb;wayland"_s);
        wayland.qpaPlatform = u"wayland"_s; // the user's own choice stands
        QCOMPARE(preferredPlatforms(wayland), QString());
        QCOMPARE(preferredPlatforms(DisplayEnvironment{}), QString()); // X11: Qt decides
    }

    void noDisplayIsOneClearLine_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("x11Display");
        QTest::addColumn<bool>("xAnswers");
        QTest::addColumn<QString>("waylandSocket"); // created in the runtime folder
        QTest::addColumn<bool>("waylandPlugin");
        QTest::addColumn<bool>("problem");
        QTest::newRow("nothing at all")
            << QString() << QString() << false << QString() << false << true;
        QTest::newRow("X answers") << QString() << u":0"_s << true << QString() << false << false;
        QTest::newRow("X does not answer")
            << QString() << u":0"_s << false << QString() << false << true;
        QTest::newRow("offscreen needs none")
            << u"offscreen"_s << QString() << false << QString() << false << false;
        QTest::newRow("Wayland without X")
            << u"xcb;wayland"_s << QString() << false << u"wayland-0"_s << true << false;
        QTest::newRow("Wayland socket, no plugin")
            << u"xcb;wayland"_s << QString() << false << u"wayland-0"_s << false << true;
        QTest::newRow("Wayland plugin, no socket")
            << u"xcb;wayland"_s << QString() << false << QString() << true << true;
        QTest::newRow("X asked for by name")
            << u"xcb:nograb"_s << u":0"_s << true << QString() << false << false;
    }
    void noDisplayIsOneClearLine()
    {
        QFETCH(QString, platform);
        QFETCH(QString, x11Display);
        QFETCH(bool, xAnswers);
        QFETCH(QString, waylandSocket);
        QFETCH(bool, waylandPlugin);
        QFETCH(bool, problem);
        QTemporaryDir runtime;
        DisplayEnvironment environment;
        environment.qpaPlatform = platform;
        environment.x11Display = x11Display;
        environment.runtimeDir = runtime.path();
        environment.waylandPluginInstalled = waylandPlugin;
        environment.xServerAnswers = [&](const QString &display) {
            return xAnswers && display == x11Display;
        };
        if (!waylandSocket.isEmpty())
            writeBytes(runtime.filePath(waylandSocket), {});
        const std::optional<QString> found = displayProblem(CommandLine{}, environment);
        QCOMPARE(found.has_value(), problem);
        if (found) {
            QVERIFY(found->startsWith(u"donguri: "_s));
            QVERIFY(!found->contains(u'\n'));
        }
    }

    void theDisplayOptionOverridesTheEnvironment()
    {
        DisplayEnvironment environment;
        environment.x11Display = u":0"_s;
        environment.xServerAnswers = [](const QString &display) { return display == u":0"; };
        CommandLine commandLine;
        commandLine.display = u":5"_s;
        QVERIFY(displayProblem(commandLine, environment));
        commandLine.platform = u"offscreen"_s;
        QCOMPARE(displayProblem(commandLine, environment), std::nullopt);
    }

    // The program itself, as a terminal starts it.
    void helpAndVersionAnswerWithoutADisplay_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QByteArray>("begins");
        QTest::newRow("--help") << u"--help"_s << QByteArray("Usage: donguri");
        QTest::newRow("-h") << u"-h"_s << QByteArray("Usage: donguri");
        QTest::newRow("--version") << u"--version"_s << QByteArray("donguri " DONGURI_VERSION "\n");
    }
    void helpAndVersionAnswerWithoutADisplay()
    {
        QFETCH(QString, argument);
        QFETCH(QByteArray, begins);
        const Run run = runProgram({argument}, withoutDisplay());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith(begins), run.out.constData());
        QCOMPARE(run.err, QByteArray());
    }

    void withoutADisplayItSaysSoInOneLine()
    {
        const Run run = runProgram({}, withoutDisplay());
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.startsWith("donguri: "), run.err.constData());
        QCOMPARE(run.out, QByteArray());

        QProcessEnvironment unanswered = withoutDisplay();
        unanswered.insert(u"DISPLAY"_s, u":4093"_s); // no X server there
        const Run gone = runProgram({}, unanswered);
        QCOMPARE(gone.exitCode, 1);
        QVERIFY2(gone.err.contains(":4093"), gone.err.constData());
        QCOMPARE(gone.err.count('\n'), 1);
    }

    void anUnknownArgumentIsAUsageError()
    {
        QProcessEnvironment offscreen = withoutDisplay();
        offscreen.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        const Run run = runProgram({u"--bogus"_s}, offscreen);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("--bogus"), run.err.constData());
    }

    // A FIFO as donguri.ini would hold up the start for ever; the program starts on the default
    // knowledge base and leaves the FIFO be.
    void aFifoAsTheSettingsFileDoesNotHoldUpTheStart()
    {
        QTemporaryDir folder;
        const QString program = folder.filePath(u"donguri"_s);
        QVERIFY(QFile::copy(QStringLiteral(DONGURI_EXECUTABLE), program));
        QVERIFY(makeFifo(folder.filePath(u"donguri.ini"_s)));
        QProcessEnvironment environment = withoutDisplay();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"HOME"_s, folder.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, folder.filePath(u"config"_s));
        environment.insert(u"XDG_DATA_HOME"_s, folder.filePath(u"data"_s));
        environment.insert(u"XDG_RUNTIME_DIR"_s, folder.path());
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s,
                           u"unix:path="_s + folder.filePath(u"no-bus"_s));
        QProcess donguri;
        donguri.setProcessEnvironment(environment);
        donguri.start(program, {});
        QVERIFY(donguri.waitForStarted());
        // The bar opens the default knowledge base, which is made on the way.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder.filePath(u"どんぐりくん.mdb"_s)), 15000);
        QCOMPARE(donguri.state(), QProcess::Running);
        QVERIFY(isFifo(folder.filePath(u"donguri.ini"_s)));
        donguri.kill();
        donguri.waitForFinished();
    }

private:
    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    static QProcessEnvironment withoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name :
             {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s, u"XDG_SESSION_TYPE"_s})
            environment.remove(name);
        return environment;
    }

    QString program() const { return m_programFolder.filePath(u"donguri"_s); }

    Run runProgram(const QStringList &arguments, const QProcessEnvironment &environment)
    {
        QProcess donguri;
        donguri.setProcessEnvironment(environment);
        donguri.start(program(), arguments);
        if (!donguri.waitForFinished(20000)) {
            donguri.kill();
            donguri.waitForFinished();
        }
        return {donguri.exitStatus() == QProcess::NormalExit ? donguri.exitCode() : -1,
                donguri.readAllStandardOutput(), donguri.readAllStandardError()};
    }

    QTemporaryDir m_programFolder;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"
#include "app/desktop_ask.h"
#include "app/desktop_integration.h"
#include "app/desktop_services.h"
#include "app/module1.h"
#include "app/session_bus.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "main_window/form1.h"
#include "ui/shared_state.h"

#include <QApplication>

#include <cstdio>
#include <memory>

using namespace donguri;

namespace {

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before Qt starts: Qt without a display cannot start at all.
    const CommandLine commandLine = CommandLine::read(argumentsOf(argc, argv));
    if (commandLine.request == CommandLine::Request::Help) {
        print(stdout, usageText());
        return 0;
    }
    if (commandLine.request == CommandLine::Request::Version) {
        print(stdout, versionText());
        return 0;
    }
    const DisplayEnvironment display = DisplayEnvironment::current();
    const QString platforms = preferredPlatforms(display);
    if (!platforms.isEmpty())
        qputenv("QT_QPA_PLATFORM", platforms.toLatin1());
    if (const std::optional<QString> problem = displayProblem(commandLine, display)) {
        print(stderr, *problem + u'\n');
        return 1;
    }

    // Before Qt, whose accessibility and desktop theme reach for the session bus too.
    keepSessionBusFromAutolaunching();
    QApplication app(argc, argv);
    closeDisplayProbe();
    if (const std::optional<QString> problem = unexpectedArgument(QApplication::arguments())) {
        print(stderr, *problem + u'\n');
        return 2;
    }
    introduceToDesktop(app);
    // Logging out ends the program as 終了 does, so its knowledge base is closed cleanly.
    TerminationSignals endOfSession;
    QObject::connect(&endOfSession, &TerminationSignals::requested, &app, &QApplication::quit);

    SingleInstance instance(QDBusConnection::sessionBus(), SingleInstance::sessionRuntimeFolder());
    if (instance.handOverToRunningInstance())
        return 0; // the character already on the desktop comes forward instead

    DesktopServices desktop;
    SharedState state;
    const Services services = desktop.services();

    std::unique_ptr<Form1> mainWindow;
    Module1::Main(state, DatabasePlaces::ofRunningProgram(), [&] {
        mainWindow = std::make_unique<Form1>(state, services);
        // Queued: the bar's close, which may ask for the end, finishes before every window goes.
        QObject::connect(mainWindow.get(), &Form1::endRequested, &app, &QApplication::quit,
                         Qt::QueuedConnection);
        QObject::connect(&instance, &SingleInstance::activationRequested, mainWindow.get(), [&] {
            mainWindow->showNormal();
            mainWindow->raise();
            mainWindow->activateWindow();
        });
        mainWindow->show();
    });
    DesktopAsk desktopAsk([&](const QString &question) {
        if (mainWindow)
            mainWindow->ask(question);
    });
    desktopAsk.listen(instance, AskKey::fromPreferences());
    const int status = QApplication::exec();
    state.CurrentCharacter.reset(); // the character's windows go before the application does
    return status;
}

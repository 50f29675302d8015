// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktop_ask.h"
#include "app/desktop_integration.h"
#include "app/desktop_services.h"
#include "app/module1.h"
#include "app/single_instance.h"
#include "main_window/form1.h"
#include "ui/shared_state.h"

#include <QApplication>

#include <memory>

using namespace donguri;

int main(int argc, char *argv[])
{
    // Characters stand at fixed screen positions, which Wayland does not let a client choose;
    // run through XWayland there unless told otherwise.
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland"
        && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    introduceToDesktop(app);

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

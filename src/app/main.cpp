#include "clock.h"
#include "document_window.h"
#include "drawn_character.h"
#include "file_chooser.h"
#include "form1.h"
#include "module1.h"
#include "random_source.h"
#include "shared_state.h"
#include "voice.h"

#include <QApplication>
#include <QStandardPaths>

#include <memory>

using namespace donguri;

int main(int argc, char *argv[])
{
    // Characters stand at fixed screen positions, which Wayland does not let a client choose;
    // run through XWayland there unless told otherwise.
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland" && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("donguri"));
    QApplication::setApplicationDisplayName(QStringLiteral("どんぐりくん"));

    SystemClock clock;
    SystemRandom random;
    const std::unique_ptr<PipelineVoice> voice = PipelineVoice::japanese();
    DesktopCharacterLoader characters(voice.get());
    DesktopBrowser browser;
    DesktopLinkOpener links(browser);
    DialogFileChooser files;
    SharedState state;
    const Services services{clock, random, characters, links, files};

    const Module1::Places places{
        {QApplication::applicationDirPath()},
        {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)}};

    std::unique_ptr<Form1> mainWindow;
    Module1::Main(state, places, [&] {
        mainWindow = std::make_unique<Form1>(state, services);
        QObject::connect(mainWindow.get(), &Form1::endRequested, &app, &QApplication::quit);
        mainWindow->show();
    });
    const int status = QApplication::exec();
    state.CurrentCharacter.reset(); // the character's windows go before the application does
    return status;
}

#include "kb_command.h"
#include "program_files.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>

#include <unistd.h>

using namespace donguri;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same name as the program's, so the per-user data folder is the one it uses.
    QCoreApplication::setApplicationName(QStringLiteral("donguri"));

    // An installed copy keeps everything in the user's data folder, like the program does.
    const ProgramFiles userData{QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
    const QString programDir = QCoreApplication::applicationDirPath();
    const kbtool::DatabasePlaces places{
        isInstalledCopy(programDir) ? userData : ProgramFiles{programDir}, userData};
    QTextStream out(stdout);
    QTextStream err(stderr);
    const kbtool::Console console{out, err, isatty(STDERR_FILENO) == 1};
    return kbtool::runKbCommand(QCoreApplication::arguments(), places, console);
}

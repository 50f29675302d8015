#include "database_location.h"

#include "settings_file.h"

#include <QDir>
#include <QFileInfo>

namespace donguri::kbtool {

namespace {

// Whether start-up could create a settings file in `directory`, making the folder if needed.
bool canHoldFiles(const QString &directory)
{
    QFileInfo nearest(QDir::cleanPath(QDir(directory).absolutePath()));
    while (!nearest.exists() && !nearest.isRoot())
        nearest.setFile(nearest.absolutePath());
    return nearest.isDir() && nearest.isWritable();
}

QString databaseNamedBy(const FirstLine &settings, const ProgramFiles &place)
{
    // An empty or unreadable settings file leaves the folder's default database in use.
    return settings.status == FirstLine::Status::Read ? settings.line : place.defaultDatabase();
}

} // namespace

QString configuredDatabase(const DatabasePlaces &places)
{
    // Start-up keeps to the program folder when it has a settings file or could be given one
    // (writing it there); otherwise everything lives in the user data folder, whose default
    // database serves even when no settings file can be kept there either.
    const FirstLine programSettings = readFirstLine(places.program.settingsFile());
    if (programSettings.status != FirstLine::Status::Missing
        || canHoldFiles(places.program.directory))
        return databaseNamedBy(programSettings, places.program);
    return databaseNamedBy(readFirstLine(places.userData.settingsFile()), places.userData);
}

} // namespace donguri::kbtool

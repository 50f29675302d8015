#include "module1.h"

#include "settings_file.h"
#include "shared_state.h"

#include <QDir>

namespace donguri::Module1 {

namespace {

// The outcome for one folder: nullopt when no settings file is there and none can be made.
std::optional<QString> databasePathFrom(const ProgramFiles &place)
{
    const FirstLine first = readFirstLine(place.settingsFile());
    switch (first.status) {
    case FirstLine::Status::Read:
        return first.line;
    case FirstLine::Status::Unreadable:
        // An empty or unreadable file is left as it is; the default database serves.
        return place.defaultDatabase();
    case FirstLine::Status::Missing:
        QDir().mkpath(place.directory);
        if (writeSettingsLine(place.settingsFile(), place.defaultDatabase()))
            return place.defaultDatabase();
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

void Main(SharedState &state, const Places &places, const std::function<void()> &showMainWindow)
{
    // The program folder is tried first; an installed copy's folder is read-only, and then the
    // settings and the knowledge base live in the user's own data folder.
    if (const auto path = databasePathFrom(places.program)) {
        state.DatabasePath = *path;
        state.SettingsFile = places.program.settingsFile();
    } else if (const auto userPath = databasePathFrom(places.userData)) {
        state.DatabasePath = *userPath;
        state.SettingsFile = places.userData.settingsFile();
    } else {
        // Nowhere to keep settings: go on with the default database, without a file.
        state.DatabasePath = places.userData.defaultDatabase();
        state.SettingsFile = places.userData.settingsFile();
    }
    showMainWindow();
}

} // namespace donguri::Module1

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "database_location.h"

#include "settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace donguri {

namespace {

// Whether a settings file could be created in `directory`, making the folder if needed.
bool canHoldFiles(const QString &directory)
{
    QFileInfo nearest(QDir::cleanPath(QDir(directory).absolutePath()));
    while (!nearest.exists() && !nearest.isRoot())
        nearest.setFile(nearest.absolutePath());
    return nearest.isDir() && nearest.isWritable();
}

// The choice `place` makes, or nullopt when it has no settings file and cannot be given one.
std::optional<DatabaseChoice> choiceIn(const ProgramFiles &place, MissingSettings missing)
{
    const FirstLine first = readFirstLine(place.settingsFile());
    switch (first.status) {
    case FirstLine::Status::Read:
        return DatabaseChoice{first.line, place.settingsFile()};
    case FirstLine::Status::Unreadable:
        // An empty or unreadable file is left as it is; the default database serves.
        return DatabaseChoice{place.defaultDatabase(), place.settingsFile()};
    case FirstLine::Status::Missing:
        break;
    }
    if (!canHoldFiles(place.directory))
        return std::nullopt;
    if (missing == MissingSettings::Create) {
        QDir().mkpath(place.directory);
        writeSettingsLine(place.settingsFile(), place.defaultDatabase());
    }
    return DatabaseChoice{place.defaultDatabase(), place.settingsFile()};
}

} // namespace

DatabasePlaces DatabasePlaces::ofRunningProgram()
{
    const ProgramFiles userData{QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
    const QString programDir = QCoreApplication::applicationDirPath();
    return {isInstalledCopy(programDir) ? userData : ProgramFiles{programDir}, userData};
}

DatabaseChoice chooseDatabase(const DatabasePlaces &places, MissingSettings missing)
{
    for (const ProgramFiles &place : {places.program, places.userData}) {
        if (const std::optional<DatabaseChoice> choice = choiceIn(place, missing))
            return *choice;
    }
    // Nowhere to keep settings: go on with the default database, without a file.
    return {places.userData.defaultDatabase(), places.userData.settingsFile()};
}

} // namespace donguri

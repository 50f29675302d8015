// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "database_location.h"

#include "kb/kb_location.h"
#include "settings_file.h"
#include "settings_log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace donguri {

namespace {

using namespace Qt::StringLiterals;

bool startsWithDrive(QStringView text)
{
    return text.size() >= 2 && text[1] == u':'
           && ((text[0] >= u'A' && text[0] <= u'Z') || (text[0] >= u'a' && text[0] <= u'z'));
}

// C:\Program Files\Donguri\どんぐりくん.mdb, ..\data\kb.mdb, \\server\share\kb.mdb, C:kb.mdb.
// Keyword/value server addresses may hold a backslash, and are not paths at all.
bool isDriveLetterPath(const QString &line)
{
    return (line.contains(u'\\') || startsWithDrive(line)) && !isServerLocation(line);
}

// The file name a drive-letter path ends in: after its last separator and any drive letter; empty
// when it names a folder.
QString windowsFileName(const QString &path)
{
    QString name = path.sliced(std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')) + 1);
    while (startsWithDrive(name))
        name = name.sliced(2);
    return name == u"."_s || name == u".."_s ? QString() : name;
}

QString databaseForDriveLetterPath(const QString &path, const DatabasePlaces &places,
                                   const ProgramFiles &home)
{
    const QString name = windowsFileName(path);
    QString used = name.isEmpty() ? home.defaultDatabase() : home.directory + u'/' + name;
    if (!name.isEmpty()) {
        for (const ProgramFiles &place : {places.program, places.userData}) {
            const QString candidate = place.directory + u'/' + name;
            if (!place.directory.isEmpty() && QFileInfo::exists(candidate)) {
                used = candidate;
                break;
            }
        }
    }
    qCWarning(lcSettings).noquote()
        << u"%1 names %2, a drive-letter path; the knowledge base used is %3"_s.arg(
               home.settingsFile(), cutLongName(path), cutLongName(used));
    return used;
}

// Whether a settings file could be created in `directory`, making the folder if needed.
bool canHoldFiles(const QString &directory)
{
    QFileInfo nearest(QDir::cleanPath(QDir(directory).absolutePath()));
    while (!nearest.exists() && !nearest.isRoot())
        nearest.setFile(nearest.absolutePath());
    return nearest.isDir() && nearest.isWritable();
}

// The choice `place` makes, or nullopt when it has no settings file and cannot be given one.
std::optional<DatabaseChoice> choiceIn(const ProgramFiles &place, const DatabasePlaces &places,
                                       MissingSettings missing)
{
    const FirstLine first = readFirstLine(place.settingsFile());
    switch (first.status) {
    case FirstLine::Status::Read:
        return DatabaseChoice{databaseNamedBy(first.line, places, place), place.settingsFile(),
                              true};
    case FirstLine::Status::Unreadable:
        // An empty or unreadable file is left as it is; the default database serves.
        return DatabaseChoice{place.defaultDatabase(), place.settingsFile(), true};
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
        if (const std::optional<DatabaseChoice> choice = choiceIn(place, places, missing))
            return *choice;
    }
    // Nowhere to keep settings: go on with the default database, without a file.
    return {places.userData.defaultDatabase(), places.userData.settingsFile(), false};
}

QString databaseNamedBy(const QString &line, const DatabasePlaces &places, const ProgramFiles &home)
{
    // An empty name opens nothing at all, so every question would go unanswered.
    if (line.isEmpty()) {
        qCDebug(lcSettings) << "the settings file" << home.settingsFile()
                            << "names no knowledge base; the default one serves";
        return home.defaultDatabase();
    }
    if (isDriveLetterPath(line))
        return databaseForDriveLetterPath(line, places, home);
    return line;
}

} // namespace donguri

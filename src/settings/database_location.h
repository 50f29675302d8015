// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "program_files.h"

#include <QString>

namespace donguri {

// The two folders a run may keep its settings file in, in the order they are tried.
struct DatabasePlaces
{
    ProgramFiles program; // the folder the program file is in
    ProgramFiles
        userData; // the per-user data folder, for when the program folder cannot hold files

    // The places of the running program: an installed copy keeps everything in the user's data
    // folder, since its program folder belongs to the system. Needs the application's name set.
    static DatabasePlaces ofRunningProgram();
};

// Which knowledge base a run uses, and the settings file that says so.
struct DatabaseChoice
{
    QString databasePath;
    QString settingsFile;
    // Whether a settings file was there to choose it; not on a first start, which writes its
    // settings file now (nor when there is nowhere to keep one).
    bool settingsExisted = false;
};

// The one rule for which knowledge base a run uses: the first folder that has a settings file,
// or could be given one, decides; its file's first line names the knowledge base (read as
// databaseNamedBy() reads it), and an empty or unreadable file leaves the folder's default
// database in use. When neither folder can hold
// files the user data folder's default serves, without a settings file.
enum class MissingSettings {
    Create,     // start-up: a missing settings file is written with the default path
    LeaveAlone, // donguri-kb: only reads, and lands on the file the next start-up would open
};
DatabaseChoice chooseDatabase(const DatabasePlaces &places, MissingSettings missing);

// The knowledge base a line of the settings file in `home` names, as a run opens it:
// - an empty line: `home`'s default knowledge base, as a first start writes it;
// - a path written on another system by an older installation (a drive letter, or a backslash
//   anywhere): the file of its last part's name beside the program, else in the user's data
//   folder, else in `home`, where it is made on first use. No file is ever made under the
//   drive-letter path itself, which here would be one odd name in whatever folder the run was
//   started from. The settings file keeps the line as it is;
// - anything else, a server address included: the line as it stands.
QString databaseNamedBy(const QString &line, const DatabasePlaces &places,
                        const ProgramFiles &home);

} // namespace donguri

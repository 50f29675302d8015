// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/database_location.h"

#include <QIODevice>
#include <QStringList>
#include <QTextStream>

namespace donguri::kbtool {

enum ExitStatus : int {
    Success = 0,
    Failure = 1,    // the file or the database could not be handled; nothing half done
    UsageError = 2, // the command line itself is wrong
};

// Where the command talks to the user. The progress bar is drawn on `err`, and only when
// `errIsTerminal` says a person is watching it. `data` is standard output as bytes, where
// "export -" writes its rows exactly as stored.
struct Console
{
    QTextStream &out;
    QTextStream &err;
    bool errIsTerminal = false;
    QIODevice *data = nullptr;
};

// Runs donguri-kb: `arguments` starts with the program's name. Without --db the knowledge base
// is the one start-up would pick from `places`.
int runKbCommand(const QStringList &arguments, const DatabasePlaces &places,
                 const Console &console);

} // namespace donguri::kbtool

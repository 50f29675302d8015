// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/database_location.h"

#include <QIODevice>
#include <QStringList>
#include <QTextStream>

namespace donguri::kbtool {

// The longest row an import reads, in bytes, its line end included. A longer one ends the import
// naming its line: the reader holds a row whole, so a file without line breaks (or /dev/zero)
// would otherwise take all memory. A row this long still goes in, in under a gigabyte.
inline constexpr qsizetype MaxRowBytes = qsizetype{256} * 1024 * 1024;

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

// How much the commands take on at once; tests make it small.
struct Limits
{
    qsizetype maxRowBytes = MaxRowBytes;
};

// Runs donguri-kb: `arguments` starts with the program's name. Without --db the knowledge base
// is the one start-up would pick from `places`.
int runKbCommand(const QStringList &arguments, const DatabasePlaces &places, const Console &console,
                 const Limits &limits = {});

} // namespace donguri::kbtool

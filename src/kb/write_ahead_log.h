// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace donguri {

// SQLite keeps a knowledge base's latest writes in a log beside it (NAME-wal) until they are
// merged into the file. The log holds pages, not entries: played into any other file than the
// one it was written for (a backup restored over the knowledge base, another file moved to its
// name) it tears that file apart. SQLite cannot tell; these functions can.

// The knowledge base's write stamp: a number in the file's header (SQLite's user_version) that
// every write of this program moves on by one, so that each page-1 image in a log carries the
// stamp of the write that made it. A file starts at a random stamp: two unrelated files do not
// share a run of stamps.
qint32 nextWriteStamp(qint32 current);

struct LogCheck
{
    enum class Verdict {
        NoLog,   // no log, or none that SQLite would play (empty, torn, no committed write)
        Belongs, // the log continues the file as it is: SQLite must play it
        Foreign, // the log was written for another file than the one now at the path
    };
    Verdict verdict = Verdict::NoLog;
    QString reason; // why a log is foreign, for the warning
};

// Whether the log beside `databasePath` belongs to the file there. It belongs when its page
// size is the file's and its first write follows on from the file's write stamp (or the file
// already holds one of its writes, merged before a crash). A file without stamps, from an
// older version, is judged by time: a file whose inode changed well after the log's last write
// was put there after it.
LogCheck checkWriteAheadLog(const QString &databasePath);

// Moves a foreign log out of SQLite's way, to NAME-wal.foreign-TIME beside it, where it harms
// nothing and can still be looked at. Returns the new name, or nullopt when it could not be
// moved (the reason in `error`).
std::optional<QString> setLogAside(const QString &databasePath, QString *error = nullptr);

} // namespace donguri

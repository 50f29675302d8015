// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace donguri {

// Hears how many pages of how many a backup has copied; the count drops back when another
// program's write starts the copy again.
using BackupProgress = std::function<void(qint64 copied, qint64 total)>;

// Copies the knowledge-base file `source` into the new file `target` through SQLite's online
// backup, while the program may go on answering and teaching from `source`: `target` gets the
// very pages of one committed state of `source`, laid out as they are, header (user_version
// included) and all. A step copies a few hundred pages under a read lock held for that step
// alone; a write by another program between two steps starts the copy again from the first
// page, in steps twice as long each time, so that a knowledge base written to all the time is
// still copied in the end. Throws KbError, having removed what it wrote of `target`.
void backUpFile(const QString &source, const QString &target, const BackupProgress &progress = {});

// Readies the knowledge-base file `path`, just written, to be carried on its own: it is put in
// rollback-journal mode, so that no -wal file beside it belongs to it, and checked whole with
// PRAGMA integrity_check. How many entries it holds. Throws KbError when it is not whole.
qint64 sealBackupFile(const QString &path);

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/kb_error.h"

#include <QString>

namespace donguri::kbtool {

// What stands at a knowledge base's place when it is plainly no knowledge base, said in plain
// words with what to do: a folder, something other than a file, an empty file, a file that is
// no database at all or a database of another program (another desktop database program). Looked at
// before anything opens it, which leaves it exactly as it was. Empty when nothing is there (a
// command that makes one may) or when it may be a knowledge base.
QString problemAtPlace(const QString &location);

// The message for the knowledge base's failure `message` at `location`, naming it, and saying
// what to do when the file turned out to be an SQLite database of another program.
QString aboutFailure(const QString &location, const QString &message, KbCause cause);

} // namespace donguri::kbtool

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database_command.h"

namespace donguri::kbtool {

// donguri-kb backup TARGET [--db PATH|ADDRESS] [--replace]: the knowledge base as it stands at
// one moment, as a knowledge-base file at TARGET, taken while the program goes on answering and
// teaching. A file is copied page by page through SQLite's online backup, layout and header
// kept; a server's entries go into a new file as copy puts them. TARGET is written beside its
// place and moved there only once it is whole and checked; it is a single file, with nothing of
// SQLite's beside it. An existing TARGET is replaced only with --replace, and never when it is
// the knowledge base itself.
class BackupCommand final : public DatabaseCommand
{
public:
    BackupCommand();

private:
    int runOn(const QString &location, const QCommandLineParser &parser, const QStringList &words,
              const CommandContext &context) override;
};

} // namespace donguri::kbtool

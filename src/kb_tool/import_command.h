// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database_command.h"

namespace donguri::kbtool {

// donguri-kb import FILE [--db PATH|ADDRESS] [--format tsv|csv] [--encoding ENCODING]: every row
// of FILE as a new entry, read, checked and added one at a time in one transaction, so that the
// first bad row undoes the whole import and the file is never held in memory.
class ImportCommand final : public DatabaseCommand
{
public:
    ImportCommand();

private:
    int runOn(const QString &location, const QCommandLineParser &parser, const QStringList &words,
              const CommandContext &context) override;
};

} // namespace donguri::kbtool

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database_command.h"

namespace donguri::kbtool {

// donguri-kb export FILE [--db PATH|ADDRESS] [--format tsv|csv]: every entry in ID order, to FILE
// or, for "-", to standard output. FILE is written whole or not at all, and never over the
// knowledge base itself.
class ExportCommand final : public DatabaseCommand
{
public:
    ExportCommand();

private:
    int runOn(const QString &location, const QCommandLineParser &parser, const QStringList &words,
              const CommandContext &context) override;
};

} // namespace donguri::kbtool

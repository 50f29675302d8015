// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database_command.h"

namespace donguri::kbtool {

// donguri-kb stats [--db PATH|ADDRESS]: entry count, size and the store's integrity check; a
// failure when the check finds problems.
class StatsCommand final : public DatabaseCommand
{
public:
    StatsCommand();

private:
    int runOn(const QString &location, const QCommandLineParser &parser, const QStringList &words,
              const CommandContext &context) override;
};

} // namespace donguri::kbtool

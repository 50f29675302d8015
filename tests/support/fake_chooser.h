// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/file_chooser.h"

namespace donguri::testing {

// Answers each Open dialog with the next scripted answer (nullopt = the user cancels) and
// remembers how it was asked.
class ScriptedChooser final : public FileChooser
{
public:
    struct Call
    {
        QList<FileFilter> filters;
        QString startFile;
    };

    std::optional<QString> chooseFile(QWidget *, const QList<FileFilter> &filters,
                                      const QString &startFile) override
    {
        calls.append({filters, startFile});
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }

    QList<std::optional<QString>> answers;
    QList<Call> calls;
};

} // namespace donguri::testing

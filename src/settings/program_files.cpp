// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program_files.h"

#include <QFileInfo>

namespace donguri {

QString ProgramFiles::settingsFile() const
{
    return directory + QStringLiteral("/donguri.ini");
}

QString ProgramFiles::defaultDatabase() const
{
    return directory + QStringLiteral("/どんぐりくん.mdb");
}

ProgramFiles ProgramFiles::holding(const QString &settingsFile)
{
    return {QFileInfo(settingsFile).path()};
}

bool isInstalledCopy(const QString &programDirectory)
{
    return QFileInfo::exists(programDirectory + QStringLiteral("/../share/donguri/installed"));
}

} // namespace donguri

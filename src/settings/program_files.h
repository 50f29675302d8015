// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace donguri {

// Where the settings file and the default knowledge base live: in the program's own folder,
// named there as donguri.ini and どんぐりくん.mdb.
struct ProgramFiles
{
    QString directory;

    QString settingsFile() const;
    QString defaultDatabase() const;

    // The folder that holds `settingsFile`, as start-up named it.
    static ProgramFiles holding(const QString &settingsFile);
};

// An installed copy (cmake --install, the .deb) carries a marker in its share folder; its
// program folder belongs to the system, so its files live in the user's data folder instead.
bool isInstalledCopy(const QString &programDirectory);

} // namespace donguri

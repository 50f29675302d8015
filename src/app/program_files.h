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
};

} // namespace donguri

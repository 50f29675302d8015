#include "program_files.h"

namespace donguri {

QString ProgramFiles::settingsFile() const
{
    return directory + QStringLiteral("/donguri.ini");
}

QString ProgramFiles::defaultDatabase() const
{
    return directory + QStringLiteral("/どんぐりくん.mdb");
}

} // namespace donguri

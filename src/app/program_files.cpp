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

#include <QFileInfo>

namespace donguri {

bool isInstalledCopy(const QString &programDirectory)
{
    return QFileInfo::exists(programDirectory + QStringLiteral("/../share/donguri/installed"));
}

} // namespace donguri

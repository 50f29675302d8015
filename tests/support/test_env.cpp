#include "test_env.h"

#include <QFile>

namespace donguri::testing {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace donguri::testing

#include <sqlite3.h>

namespace donguri::testing {

void execSql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        qWarning("SQL failed: %s", error);
        sqlite3_free(error);
    }
    sqlite3_close(db);
}

} // namespace donguri::testing

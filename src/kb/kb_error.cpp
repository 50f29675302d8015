// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_error.h"

#include <sqlite3.h>

#include <cerrno>

namespace donguri {

KbError::KbError(const QString &message, int code, KbCause cause, const QString &detail)
    : std::runtime_error(message.toStdString()), m_code(code), m_cause(cause), m_detail(detail)
{
}

KbCause causeOfSqliteFailure(int extendedCode, int systemErrno)
{
    switch (systemErrno) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: // the file may grow no further (a file-size limit)
        return KbCause::DiskFull;
    case EISDIR:
        return KbCause::Folder;
    case EROFS:
        return KbCause::NoWritePermission;
    default:
        break;
    }
    switch (extendedCode & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return KbCause::Damaged;
    case SQLITE_FULL:
        return KbCause::DiskFull;
    case SQLITE_READONLY:
        return KbCause::NoWritePermission;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return KbCause::NoReadPermission;
    case SQLITE_CANTOPEN:
        if (systemErrno == ENOENT || systemErrno == ENOTDIR)
            return KbCause::Missing;
        if (systemErrno == EACCES || systemErrno == EPERM)
            return KbCause::NoReadPermission;
        return KbCause::Unknown;
    case SQLITE_IOERR:
        if (systemErrno == EACCES || systemErrno == EPERM)
            return KbCause::NoReadPermission;
        return KbCause::Unknown;
    default:
        return KbCause::Unknown;
    }
}

KbCause causeOfSqlState(const QString &sqlState)
{
    if (sqlState == u"53100")
        return KbCause::DiskFull;
    if (sqlState == u"25006") // read_only_sql_transaction: a standby, or a read-only database
        return KbCause::NoWritePermission;
    if (sqlState == u"3D000") // invalid_catalog_name
        return KbCause::Missing;
    if (sqlState == u"42P01") // undefined_table
        return KbCause::NoTables;
    if (sqlState == u"42703") // undefined_column
        return KbCause::WrongShape;
    // Connection exceptions, and a server shutting down or starting up.
    if (sqlState.startsWith(u"08") || sqlState.startsWith(u"57P"))
        return KbCause::Unreachable;
    // Everything else the server says no to (rights, logins, too many clients, limits) is its
    // refusal, with its reason.
    return KbCause::Refused;
}

} // namespace donguri

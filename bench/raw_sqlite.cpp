// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "raw_sqlite.h"

#include <sqlite3.h>

#include <stdexcept>

namespace donguri::bench {

RawConnection::RawConnection(const QString &path, bool create)
{
    const QByteArray file = path.toUtf8();
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(file.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw std::runtime_error("cannot open " + file.toStdString() + ": " + message);
    }
    sqlite3_busy_timeout(m_db, 5000);
    // The knowledge base commits with synchronous = FULL; the raw writes must pay the same.
    exec("PRAGMA synchronous = FULL");
}

RawConnection::~RawConnection()
{
    sqlite3_close_v2(m_db);
}

void RawConnection::exec(const QByteArray &sql)
{
    if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sql.constData());
}

void RawConnection::fail(const char *what) const
{
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(m_db));
}

RawStatement::RawStatement(RawConnection &connection, const QByteArray &sql)
    : m_connection(connection)
{
    if (sqlite3_prepare_v3(connection.handle(), sql.constData(), int(sql.size()),
                           SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr)
        != SQLITE_OK)
        connection.fail(sql.constData());
}

RawStatement::~RawStatement()
{
    sqlite3_finalize(m_stmt);
}

void RawStatement::bindText(int index, const QByteArray &utf8)
{
    if (sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_STATIC)
        != SQLITE_OK)
        m_connection.fail("bind");
}

void RawStatement::bindInteger(int index, qint64 value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        m_connection.fail("bind");
}

bool RawStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    m_connection.fail("step");
}

void RawStatement::reset()
{
    sqlite3_reset(m_stmt);
}

qint64 RawStatement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QByteArrayView RawStatement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QByteArrayView(data, sqlite3_column_bytes(m_stmt, column));
}

QString queryPlan(RawConnection &connection, const QByteArray &sql)
{
    RawStatement explain(connection, "EXPLAIN QUERY PLAN " + sql);
    QString plan;
    while (explain.step()) {
        if (!plan.isEmpty())
            plan += QStringLiteral("; ");
        plan += QString::fromUtf8(explain.text(3));
    }
    return plan;
}

} // namespace donguri::bench

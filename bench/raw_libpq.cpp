// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "raw_libpq.h"

#include <libpq-fe.h>
#include <stdexcept>

namespace donguri::bench {

void RawServer::ResultDeleter::operator()(pg_result *result) const
{
    PQclear(result);
}

RawServer::RawServer(const QString &uri) : m_conn(PQconnectdb(uri.toUtf8().constData()))
{
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw std::runtime_error(std::string("raw connection: ") + PQerrorMessage(m_conn));
}

RawServer::~RawServer()
{
    PQfinish(m_conn);
}

RawServer::Result RawServer::exec(const QByteArray &sql, const QList<QByteArray> &params)
{
    QList<const char *> values;
    for (const QByteArray &param : params)
        values << param.constData();
    Result result(PQexecParams(m_conn, sql.constData(), int(values.size()), nullptr,
                               values.constData(), nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        throw std::runtime_error(std::string("raw query: ") + PQerrorMessage(m_conn));
    return result;
}

qint64 RawServer::number(const QByteArray &sql, const QList<QByteArray> &params)
{
    return integerAt(exec(sql, params), 0, 0);
}

QString RawServer::plan(const QByteArray &sql, const QList<QByteArray> &params)
{
    const Result result = exec("EXPLAIN " + sql, params);
    QStringList lines;
    for (int row = 0; row < rowsOf(result); ++row)
        lines << QString::fromUtf8(textAt(result, row, 0));
    return lines.join(u" / ");
}

int rowsOf(const RawServer::Result &result)
{
    return PQntuples(result.get());
}

qint64 integerAt(const RawServer::Result &result, int row, int column)
{
    return QByteArray(PQgetvalue(result.get(), row, column)).toLongLong();
}

QByteArrayView textAt(const RawServer::Result &result, int row, int column)
{
    return QByteArrayView(PQgetvalue(result.get(), row, column),
                          PQgetlength(result.get(), row, column));
}

} // namespace donguri::bench

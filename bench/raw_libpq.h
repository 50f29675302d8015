// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

struct pg_conn;
struct pg_result;

namespace donguri::bench {

// The hand-written side of the server comparisons: libpq's C interface with nothing in between.
class RawServer
{
public:
    explicit RawServer(const QString &uri);
    ~RawServer();
    RawServer(const RawServer &) = delete;
    RawServer &operator=(const RawServer &) = delete;

    struct ResultDeleter
    {
        void operator()(pg_result *result) const;
    };
    using Result = std::unique_ptr<pg_result, ResultDeleter>;

    // Runs one statement with text parameters; throws when it fails.
    Result exec(const QByteArray &sql, const QList<QByteArray> &params = {});
    // The first column of the first row as a number.
    qint64 number(const QByteArray &sql, const QList<QByteArray> &params = {});
    // EXPLAIN of a statement, one line of the plan per line.
    QString plan(const QByteArray &sql, const QList<QByteArray> &params = {});

private:
    pg_conn *m_conn = nullptr;
};

int rowsOf(const RawServer::Result &result);
qint64 integerAt(const RawServer::Result &result, int row, int column);
// The bytes of a text value, valid while the result lives.
QByteArrayView textAt(const RawServer::Result &result, int row, int column);

} // namespace donguri::bench

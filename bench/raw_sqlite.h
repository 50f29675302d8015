// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace donguri::bench {

// The hand-written side of each comparison: SQLite's C interface with nothing in between, so
// its timings are what the same question costs without the knowledge base's layer.
class RawConnection
{
public:
    // `create`: make the file when it does not exist.
    explicit RawConnection(const QString &path, bool create = false);
    ~RawConnection();
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    sqlite3 *handle() const { return m_db; }
    void exec(const QByteArray &sql);
    [[noreturn]] void fail(const char *what) const;

private:
    sqlite3 *m_db = nullptr;
};

class RawStatement
{
public:
    RawStatement(RawConnection &connection, const QByteArray &sql);
    ~RawStatement();
    RawStatement(const RawStatement &) = delete;
    RawStatement &operator=(const RawStatement &) = delete;

    // The text must outlive the statement's next reset; SQLite does not copy it.
    void bindText(int index, const QByteArray &utf8);
    void bindInteger(int index, qint64 value);
    bool step();
    void run()
    {
        while (step()) {}
    }
    void reset();

    qint64 integer(int column) const;
    // The bytes of a text column, valid until the next step or reset.
    QByteArrayView text(int column) const;

private:
    RawConnection &m_connection;
    sqlite3_stmt *m_stmt = nullptr;
};

// A query plan as EXPLAIN QUERY PLAN prints it, one step a line.
QString queryPlan(RawConnection &connection, const QByteArray &sql);

} // namespace donguri::bench

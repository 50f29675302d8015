// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace donguri::sql {

// A thin RAII layer over one SQLite connection. Values only ever travel as bound parameters.
class Database
{
public:
    // ReadUnchanging reads a file that nobody can change while it is open (one in a folder this
    // user may only read): SQLite then needs no lock or log files beside it.
    enum class Mode { OpenExisting, CreateNew, ReadUnchanging };

    Database(const QString &path, Mode mode);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void exec(const char *sql);
    bool isReadOnly() const;
    sqlite3 *handle() const { return m_db; }
    [[noreturn]] void fail(const char *what) const;

private:
    sqlite3 *m_db = nullptr;
    QDeadlineTimer m_lockDeadline; // when the current wait for another writer gives up
};

class Statement
{
public:
    Statement(Database &db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, const QString &text);
    Statement &bind(int index, const QByteArray &utf8);
    Statement &bind(int index, qint64 value);
    // Without a copy, for text of any size: `utf8` must stay as it is until the statement is
    // reset or bound anew.
    Statement &bindUnowned(int index, const QByteArray &utf8);

    // Advances to the next row; false when there is none. Errors throw.
    bool step();
    void run()
    {
        while (step()) {}
    }
    void reset();

    bool isNull(int column) const;
    qint64 integer(int column) const;
    QString text(int column) const;
    // The column's UTF-8 bytes, valid until the next step or reset.
    QByteArrayView bytes(int column) const;
    int type(int column) const;

private:
    Database &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// Runs a block inside BEGIN IMMEDIATE … COMMIT; rolls back when it is left by an exception.
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    void commit();

private:
    Database &m_db;
    bool m_open = true;
};

} // namespace donguri::sql

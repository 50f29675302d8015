// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <chrono>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace donguri::sql {

// How long a handle waits for another program's lock.
struct LockWait
{
    QDeadlineTimer giveUp; // when the current wait gives up
    std::chrono::milliseconds patience{5000};
};

// A thin RAII layer over one SQLite connection. Values only ever travel as bound parameters.
class Database
{
public:
    // ReadUnchanging reads a file that nobody can change while it is open (one in a folder this
    // user may only read): SQLite then needs no lock or log files beside it. ReadOnly reads a
    // file this user may not write together with the log of writes not yet merged into it.
    enum class Mode { OpenExisting, CreateNew, ReadOnly, ReadUnchanging };

    Database(const QString &path, Mode mode);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void exec(const char *sql);
    bool isReadOnly() const;
    // Merges the write-ahead log into the file, so that the next write starts the log over,
    // waiting for readers at most `patience`. True when the file alone holds every committed write;
    // a reader that still needs an older state of the file leaves the rest in the log.
    bool mergeLog(std::chrono::milliseconds patience);
    // Makes the log's writes durable without merging them.
    void syncLog();
    // Closing will not merge the log into the file: for a handle whose file was replaced.
    void keepLogOnClose();
    // Clears an interruption that no statement has taken up yet, which would otherwise stop
    // the next statement or the merge on closing.
    void clearInterrupt();
    sqlite3 *handle() const { return m_db; }
    [[noreturn]] void fail(const char *what) const;

private:
    sqlite3 *m_db = nullptr;
    LockWait m_lockWait;
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

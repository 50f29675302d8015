// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb_error.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct pg_cancel;
struct pg_conn;
struct pg_result;

namespace donguri::pg {

// A thin RAII layer over one libpq connection, as sql::Database is over SQLite: values only ever
// travel as bound parameters, and every failure is a KbError whose text never holds the password.

// The connection broke, or the server did not answer in time. For a write sent before this
// happened nobody can tell whether the server committed it.
class ConnectionLost : public KbError
{
public:
    ConnectionLost(const QString &message, bool timedOut)
        : KbError(message, 0, KbCause::Unreachable), m_timedOut(timedOut)
    {
    }
    // The server did not answer in time (rather than the connection breaking).
    bool timedOut() const { return m_timedOut; }

private:
    bool m_timedOut;
};

// How long the program waits for the server. Zero waits as long as it takes.
struct Patience
{
    int connectMs = 0;
    int replyMs = 0;
};

// The values of a statement's $1, $2, …: text (sent as UTF-8), integers (as decimal text), Null,
// or values in PostgreSQL's binary format (arrays).
class Params
{
public:
    Params &text(const QString &value) { return add(value.toUtf8(), 0, false); }
    Params &utf8(const QByteArray &value) { return add(value, 0, false); }
    Params &integer(qint64 value) { return add(QByteArray::number(value), 0, false); }
    Params &null();
    Params &binary(const QByteArray &value, unsigned type) { return add(value, type, true); }

    int size() const { return int(m_values.size()); }
    const char *const *values() const { return m_pointers.data(); }
    const int *lengths() const { return m_lengths.data(); }
    const int *formats() const { return m_formats.data(); }
    const unsigned *types() const { return m_types.data(); }

private:
    Params &add(const QByteArray &value, unsigned type, bool binary);

    QList<QByteArray> m_values;
    QList<const char *> m_pointers;
    QList<int> m_lengths;
    QList<int> m_formats;
    QList<unsigned> m_types;
};

class Result
{
public:
    explicit Result(pg_result *result);
    ~Result();
    Result(Result &&other) noexcept;
    Result &operator=(Result &&other) noexcept;
    Result(const Result &) = delete;
    Result &operator=(const Result &) = delete;

    int rows() const;
    bool isNull(int row, int column) const;
    QString text(int row, int column) const;
    qint64 integer(int row, int column) const;
    // A column that was asked for in binary format and is a 4-byte integer.
    qint32 binaryInt4(int row, int column) const;
    qint64 binaryInt8(int row, int column) const;
    // A column asked for in binary format that is a one-dimensional int4[] without Nulls.
    std::vector<qint32> binaryInt4Array(int row, int column) const;
    // How many rows an INSERT, UPDATE or DELETE touched.
    qint64 affectedRows() const;

private:
    pg_result *m_result;
};

enum class Format { Text, Binary };

class Connection
{
public:
    // Connects at once; throws KbError when that fails.
    Connection(const QString &location, Patience patience);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Runs one statement and hands back its rows. Results come in text format unless asked
    // otherwise.
    Result exec(const char *sql, const Params &params = {}, Format format = Format::Text);
    // Runs statements without parameters (schema set-up, transaction control).
    void execScript(const char *sql);

    // Makes sure the connection is there before a call: when the server closed it since the
    // last call (restarted, say), a new one is made. Never inside a transaction, where a new
    // connection would silently leave it.
    void ensureOpen();
    bool inTransaction() const { return m_transactionDepth > 0; }

    // Asks the server, from any thread and without waiting, to stop the statement running on
    // this connection; the statement then fails. A request still on its way is not repeated.
    void cancel();
    // On the connection's own thread, after a cancel: waits (at most the reply patience) until
    // the server has the request, so that it cannot stop a later statement. When it does not
    // arrive in time the connection is dropped and the next call makes a new one.
    void settleCancel();

    // For messages: the location with the password hidden, and any text cleaned of it.
    QString shownLocation() const;
    QString withoutPassword(const QString &text) const;

private:
    friend class Transaction;

    void connect();
    void drop();
    void send(const char *sql, const Params *params, Format format);
    Result collect();
    void waitFor(short events, const QDeadlineTimer &deadline, const char *what);
    pg_result *nextResult(const QDeadlineTimer &deadline);
    [[noreturn]] void lost(const QString &why, bool timedOut = false);
    bool isIdleAndSound() const;
    [[noreturn]] void failed(pg_result *result);

    QString m_location;
    Patience m_patience;
    pg_conn *m_conn = nullptr;
    int m_transactionDepth = 0;

    struct CancelFlight;
    std::mutex m_cancelMutex; // guards the two below, which cancel() reads from other threads
    std::shared_ptr<pg_cancel> m_cancelKey;
    std::shared_ptr<CancelFlight> m_cancelFlight;
};

// BEGIN … COMMIT; rolls back when left by an exception. A commit the server did not confirm is
// reported as ConnectionLost, and nothing is sent again.
class Transaction
{
public:
    explicit Transaction(Connection &connection, const char *begin = "BEGIN");
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Connection &m_connection;
    bool m_open = true;
};

// A one-dimensional array in PostgreSQL's binary format, for sending many rows in one
// parameter. Null elements are written as such.
class BinaryArray
{
public:
    enum class Element { Text, Int4 };
    explicit BinaryArray(Element element);

    void addText(const QByteArray &utf8);
    void addInt4(qint32 value);
    void addNull();
    QByteArray bytes() const;
    unsigned type() const;
    int size() const { return m_count; }

private:
    Element m_element;
    QByteArray m_elements;
    int m_count = 0;
    bool m_hasNull = false;
};

} // namespace donguri::pg

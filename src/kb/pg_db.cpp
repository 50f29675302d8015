// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pg_db.h"

#include "kb_location.h"
#include "kb_log.h"

#include <QtEndian>

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <libpq-fe.h>
#include <netdb.h>
#include <poll.h>
#include <thread>

namespace donguri::pg {

using namespace Qt::StringLiterals;

namespace {

// Type OIDs from PostgreSQL's catalog (pg_type.dat); they never change.
constexpr unsigned TextOid = 25;
constexpr unsigned Int4Oid = 23;
constexpr unsigned TextArrayOid = 1009;
constexpr unsigned Int4ArrayOid = 1007;

QString trimmed(const char *message)
{
    return QString::fromUtf8(message ? message : "").trimmed();
}

// The server's notices ("relation already exists, skipping") are of no use to the user.
void ignoreNotice(void *, const char *) {}

// The one host name a location names, when it names exactly one that must be looked up (not an
// address, not a socket folder, no hostaddr given); empty otherwise.
QByteArray hostNameToLookUp(const QByteArray &uri)
{
    PQconninfoOption *options = PQconninfoParse(uri.constData(), nullptr);
    if (!options)
        return {};
    QByteArray host;
    bool addressGiven = false;
    for (PQconninfoOption *option = options; option->keyword; ++option) {
        if (!option->val)
            continue;
        if (qstrcmp(option->keyword, "host") == 0)
            host = option->val;
        else if (qstrcmp(option->keyword, "hostaddr") == 0 && *option->val)
            addressGiven = true;
    }
    PQconninfoFree(options);
    if (addressGiven || host.isEmpty() || host.startsWith('/') || host.startsWith('@')
        || host.contains(','))
        return {};
    in6_addr address{};
    if (inet_pton(AF_INET, host.constData(), &address) == 1
        || inet_pton(AF_INET6, host.constData(), &address) == 1)
        return {};
    return host;
}

// A name lookup that answers by the deadline or not at all: the system's resolver has no time
// limit of its own that the program could set, and a DNS server that has gone away holds it
// for many seconds. The lookup runs on a thread of its own that nobody waits for after the
// deadline. Returns the addresses as a comma-separated list (empty when the name is unknown), or
// nullopt when the deadline passed first.
std::optional<QByteArray> lookUpByDeadline(const QByteArray &host, const QDeadlineTimer &deadline,
                                           QString *failure)
{
    struct Lookup
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        QByteArray address;
        QString failure;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *found = nullptr;
        const int status = getaddrinfo(host.constData(), nullptr, &hints, &found);
        QByteArrayList addresses;
        for (const addrinfo *each = status == 0 ? found : nullptr; each; each = each->ai_next) {
            char text[INET6_ADDRSTRLEN] = {};
            const void *raw =
                each->ai_family == AF_INET6
                    ? static_cast<const void *>(
                        &reinterpret_cast<const sockaddr_in6 *>(each->ai_addr)->sin6_addr)
                    : &reinterpret_cast<const sockaddr_in *>(each->ai_addr)->sin_addr;
            if (inet_ntop(each->ai_family, raw, text, sizeof text)
                && !addresses.contains(QByteArray(text)))
                addresses << QByteArray(text);
        }
        const QByteArray address = addresses.join(',');
        if (found)
            freeaddrinfo(found);
        std::lock_guard lock(lookup->mutex);
        lookup->address = address;
        if (address.isEmpty())
            lookup->failure = QString::fromLocal8Bit(gai_strerror(status));
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    const auto remaining = std::chrono::milliseconds(
        deadline.isForever() ? std::numeric_limits<int>::max() : deadline.remainingTime());
    if (!lookup->done.wait_for(lock, remaining, [&] { return lookup->finished; }))
        return std::nullopt;
    *failure = lookup->failure;
    return lookup->address;
}

} // namespace

Params &Params::null()
{
    m_values.append(QByteArray());
    m_pointers.append(nullptr);
    m_lengths.append(0);
    m_formats.append(0);
    m_types.append(0);
    return *this;
}

Params &Params::add(const QByteArray &value, unsigned type, bool binary)
{
    m_values.append(value);
    // A QByteArray is shared, not copied, so the copy in the list keeps the same data.
    m_pointers.append(m_values.constLast().constData());
    m_lengths.append(int(value.size()));
    m_formats.append(binary ? 1 : 0);
    m_types.append(type);
    return *this;
}

Result::Result(pg_result *result) : m_result(result) {}

Result::~Result()
{
    PQclear(m_result);
}

Result::Result(Result &&other) noexcept : m_result(other.m_result)
{
    other.m_result = nullptr;
}

Result &Result::operator=(Result &&other) noexcept
{
    std::swap(m_result, other.m_result);
    return *this;
}

int Result::rows() const
{
    return PQntuples(m_result);
}

bool Result::isNull(int row, int column) const
{
    return PQgetisnull(m_result, row, column) == 1;
}

QString Result::text(int row, int column) const
{
    return QString::fromUtf8(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column));
}

qint64 Result::integer(int row, int column) const
{
    return QByteArray(PQgetvalue(m_result, row, column)).toLongLong();
}

qint32 Result::binaryInt4(int row, int column) const
{
    return qFromBigEndian<qint32>(PQgetvalue(m_result, row, column));
}

qint64 Result::binaryInt8(int row, int column) const
{
    return qFromBigEndian<qint64>(PQgetvalue(m_result, row, column));
}

// Layout as BinaryArray::bytes() writes it; an empty array has no dimension at all.
std::vector<qint32> Result::binaryInt4Array(int row, int column) const
{
    const char *data = PQgetvalue(m_result, row, column);
    const qsizetype length = PQgetlength(m_result, row, column);
    const auto at = [&](qsizetype offset) { return qFromBigEndian<qint32>(data + offset); };
    constexpr qsizetype HeaderBytes = 20;
    if (isNull(row, column) || length < 12 || at(0) == 0)
        return {};
    if (at(0) != 1 || at(4) != 0 || at(8) != qint32(Int4Oid) || length < HeaderBytes)
        throw KbError(u"unexpected array from the server"_s);
    const qint32 count = at(12);
    if (length != HeaderBytes + qsizetype(count) * 8)
        throw KbError(u"unexpected array from the server"_s);
    std::vector<qint32> values(size_t(count), 0);
    for (qint32 i = 0; i < count; ++i)
        values[size_t(i)] = at(HeaderBytes + qsizetype(i) * 8 + 4);
    return values;
}

qint64 Result::affectedRows() const
{
    return QByteArray(PQcmdTuples(m_result)).toLongLong();
}

Connection::Connection(const QString &location, Patience patience)
    : m_location(location), m_patience(patience)
{
    connect();
}

Connection::~Connection()
{
    drop();
}

QString Connection::shownLocation() const
{
    return donguri::shownLocation(m_location);
}

QString Connection::withoutPassword(const QString &text) const
{
    return donguri::withoutPassword(text, m_location);
}

void Connection::drop()
{
    {
        std::lock_guard lock(m_cancelMutex);
        m_cancelKey.reset();
        m_cancelFlight.reset();
    }
    PQfinish(m_conn);
    m_conn = nullptr;
}

// One cancel request on its way to the server. PQcancel() opens a connection of its own and
// waits for the server's answer without a time limit, so it runs on a thread of its own that
// nobody waits for longer than the patience; on a network that lost every packet it may never
// end, and then it only holds its thread.
struct Connection::CancelFlight
{
    std::mutex mutex;
    std::condition_variable done;
    bool delivered = false;
};

void Connection::cancel()
{
    std::shared_ptr<pg_cancel> key;
    std::shared_ptr<CancelFlight> flight;
    {
        std::lock_guard lock(m_cancelMutex);
        if (!m_cancelKey || m_cancelFlight)
            return;
        key = m_cancelKey;
        flight = m_cancelFlight = std::make_shared<CancelFlight>();
    }
    std::thread([key, flight] {
        char error[256] = {};
        PQcancel(key.get(), error, int(sizeof error));
        std::lock_guard lock(flight->mutex);
        flight->delivered = true;
        flight->done.notify_all();
    }).detach();
}

void Connection::settleCancel()
{
    std::shared_ptr<CancelFlight> flight;
    {
        std::lock_guard lock(m_cancelMutex);
        flight = std::exchange(m_cancelFlight, nullptr);
    }
    if (!flight)
        return;
    const auto patience =
        std::chrono::milliseconds(m_patience.replyMs > 0 ? m_patience.replyMs : 1500);
    std::unique_lock lock(flight->mutex);
    if (!flight->done.wait_for(lock, patience, [&] { return flight->delivered; })) {
        lock.unlock();
        drop();
    }
}

// Connecting without blocking, so that a host that never answers costs at most the connect
// time allowed and not the minutes a TCP connect may wait.
void Connection::connect()
{
    drop();
    const QByteArray uri = m_location.toUtf8();
    const QDeadlineTimer deadline = m_patience.connectMs > 0
                                        ? QDeadlineTimer(m_patience.connectMs)
                                        : QDeadlineTimer(QDeadlineTimer::Forever);
    // The host name is looked up within the same patience as the connection, then handed to
    // the client library as the address to use (the name still serves for SSL and passwords).
    QByteArray address;
    QByteArray hosts;
    if (const QByteArray host = hostNameToLookUp(uri); !host.isEmpty()) {
        QString failure;
        const std::optional<QByteArray> found = lookUpByDeadline(host, deadline, &failure);
        if (!found)
            throw KbError(
                withoutPassword(u"cannot connect to %1: no answer to the lookup of %2"
                                " within %3 ms"_s.arg(shownLocation(), QString::fromUtf8(host))
                                    .arg(m_patience.connectMs)),
                0, KbCause::Unreachable);
        if (found->isEmpty())
            throw KbError(withoutPassword(u"cannot connect to %1: cannot look up %2: %3"_s.arg(
                              shownLocation(), QString::fromUtf8(host), failure)),
                          0, KbCause::Unreachable);
        // Every address is tried in turn, as the library would; each is named by the host.
        address = *found;
        hosts = QByteArrayList(address.count(',') + 1, host).join(',');
    }
    const char *const keywords[] = {"dbname",
                                    "client_encoding",
                                    "fallback_application_name",
                                    address.isEmpty() ? nullptr : "host",
                                    "hostaddr",
                                    nullptr};
    const char *const values[] = {uri.constData(),     "UTF8", "donguri", hosts.constData(),
                                  address.constData(), nullptr};
    m_conn = PQconnectStartParams(keywords, values, 1);
    if (!m_conn)
        throw KbError(u"cannot connect to %1: out of memory"_s.arg(shownLocation()), 0,
                      KbCause::Unreachable);
    // Once the server has been reached and sent our greeting, a failure is its answer: a login
    // refused, a database it does not have, no room for another client. Before that, it was
    // not reached at all.
    bool serverReached = false;
    const auto refused = [&](const QString &why) {
        const QString reason = withoutPassword(why);
        const QString message =
            withoutPassword(u"cannot connect to %1: %2"_s.arg(shownLocation(), why));
        drop();
        throw KbError(message, 0, serverReached ? KbCause::Refused : KbCause::Unreachable, reason);
    };
    if (PQstatus(m_conn) == CONNECTION_BAD)
        refused(trimmed(PQerrorMessage(m_conn)));
    for (PostgresPollingStatusType state = PGRES_POLLING_WRITING; state != PGRES_POLLING_OK;) {
        if (state == PGRES_POLLING_FAILED)
            refused(trimmed(PQerrorMessage(m_conn)));
        if (state == PGRES_POLLING_READING)
            serverReached = true;
        const short events = state == PGRES_POLLING_READING ? POLLIN : POLLOUT;
        pollfd socket{PQsocket(m_conn), events, 0};
        const int ready =
            poll(&socket, 1, int(std::min<qint64>(deadline.remainingTime(), INT_MAX)));
        if (ready < 0 && errno != EINTR)
            refused(QString::fromLocal8Bit(strerror(errno)));
        if (ready == 0) {
            serverReached = false; // a server that does not answer is not reached
            refused(u"no answer within %1 ms"_s.arg(m_patience.connectMs));
        }
        state = PQconnectPoll(m_conn);
    }
    PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
    {
        std::lock_guard lock(m_cancelMutex);
        m_cancelKey = std::shared_ptr<pg_cancel>(PQgetCancel(m_conn), PQfreeCancel);
    }
    if (PQsetnonblocking(m_conn, 1) != 0)
        refused(trimmed(PQerrorMessage(m_conn)));
    // Words are compared byte by byte as UTF-8; a database in another encoding would answer
    // differently from a file.
    if (qstrcmp(PQparameterStatus(m_conn, "server_encoding"), "UTF8") != 0)
        refused(u"the database's encoding is %1, not UTF8"_s.arg(
            QString::fromUtf8(PQparameterStatus(m_conn, "server_encoding"))));
}

// Between calls the server has nothing to say (the program never listens for notifications):
// anything it sent meanwhile is its farewell, a shutdown or restart terminating the session,
// or the end of the connection. Then a new one is made before anything is sent.
bool Connection::isIdleAndSound() const
{
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return false;
    pollfd socket{PQsocket(m_conn), POLLIN, 0};
    return poll(&socket, 1, 0) == 0;
}

void Connection::ensureOpen()
{
    if (isIdleAndSound())
        return;
    if (inTransaction())
        lost(u"the connection to the server broke"_s);
    connect();
}

void Connection::lost(const QString &why, bool timedOut)
{
    const QString message = withoutPassword(u"%1: %2"_s.arg(shownLocation(), why));
    drop();
    throw ConnectionLost(message, timedOut);
}

void Connection::failed(pg_result *result)
{
    const QString reason =
        withoutPassword(trimmed(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)));
    const QString sqlState = QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    const QString message =
        withoutPassword(u"%1: %2 (%3)"_s.arg(shownLocation(), reason, sqlState));
    PQclear(result);
    throw KbError(message, 0, causeOfSqlState(sqlState), reason);
}

void Connection::waitFor(short events, const QDeadlineTimer &deadline, const char *what)
{
    pollfd socket{PQsocket(m_conn), events, 0};
    for (;;) {
        const int ready =
            poll(&socket, 1, int(std::min<qint64>(deadline.remainingTime(), INT_MAX)));
        if (ready > 0)
            return;
        if (ready == 0)
            lost(u"no answer from the server within %1 ms while %2"_s.arg(m_patience.replyMs)
                     .arg(QString::fromLatin1(what)),
                 true);
        if (errno != EINTR)
            lost(QString::fromLocal8Bit(strerror(errno)));
    }
}

void Connection::send(const char *sql, const Params *params, Format format)
{
    if (!m_conn)
        lost(u"not connected"_s);
    const QDeadlineTimer deadline = m_patience.replyMs > 0
                                        ? QDeadlineTimer(m_patience.replyMs)
                                        : QDeadlineTimer(QDeadlineTimer::Forever);
    // A script may hold several statements, which only the simple protocol allows; it never
    // carries values.
    const int sent = !params
                         ? PQsendQuery(m_conn, sql)
                         : PQsendQueryParams(m_conn, sql, params->size(), params->types(),
                                             params->values(), params->lengths(), params->formats(),
                                             format == Format::Binary ? 1 : 0);
    if (sent != 1)
        lost(trimmed(PQerrorMessage(m_conn)));
    for (int flushed; (flushed = PQflush(m_conn)) != 0;) {
        if (flushed < 0)
            lost(trimmed(PQerrorMessage(m_conn)));
        waitFor(POLLOUT | POLLIN, deadline, "sending");
        if (PQconsumeInput(m_conn) != 1)
            lost(trimmed(PQerrorMessage(m_conn)));
    }
}

pg_result *Connection::nextResult(const QDeadlineTimer &deadline)
{
    while (PQisBusy(m_conn)) {
        waitFor(POLLIN, deadline, "waiting for its answer");
        if (PQconsumeInput(m_conn) != 1)
            lost(trimmed(PQerrorMessage(m_conn)));
    }
    return PQgetResult(m_conn);
}

Result Connection::exec(const char *sql, const Params &params, Format format)
{
    send(sql, &params, format);
    return collect();
}

void Connection::execScript(const char *sql)
{
    send(sql, nullptr, Format::Text);
    collect();
}

// Reads every result of what was sent; the first error wins, otherwise the first answer.
Result Connection::collect()
{
    const QDeadlineTimer deadline = m_patience.replyMs > 0
                                        ? QDeadlineTimer(m_patience.replyMs)
                                        : QDeadlineTimer(QDeadlineTimer::Forever);
    pg_result *answer = nullptr;
    pg_result *error = nullptr;
    while (pg_result *result = nextResult(deadline)) {
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_FATAL_ERROR && !error)
            error = result;
        else if ((status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) && !answer)
            answer = result;
        else
            PQclear(result);
    }
    if (PQstatus(m_conn) != CONNECTION_OK) {
        PQclear(answer);
        const QString why =
            error ? trimmed(PQresultErrorMessage(error)) : trimmed(PQerrorMessage(m_conn));
        PQclear(error);
        lost(why);
    }
    if (error) {
        PQclear(answer);
        failed(error);
    }
    if (!answer)
        lost(u"the server gave no answer"_s);
    return Result(answer);
}

Transaction::Transaction(Connection &connection, const char *begin) : m_connection(connection)
{
    m_connection.ensureOpen();
    m_connection.exec(begin);
    ++m_connection.m_transactionDepth;
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    --m_connection.m_transactionDepth;
    // A broken connection has rolled back on the server already.
    if (m_connection.m_conn && PQstatus(m_connection.m_conn) == CONNECTION_OK) {
        try {
            m_connection.exec("ROLLBACK");
        } catch (const KbError &error) {
            // The server drops the transaction with the connection anyway.
            qCWarning(lcKb) << "rollback failed on" << m_connection.shownLocation() << ":"
                            << error.message();
        }
    }
}

void Transaction::commit()
{
    m_open = false;
    --m_connection.m_transactionDepth;
    try {
        m_connection.exec("COMMIT");
    } catch (const ConnectionLost &lost) {
        throw ConnectionLost(
            lost.message()
                + u" (the server did not confirm the commit: the change may or may not be stored)"_s,
            lost.timedOut());
    }
}

BinaryArray::BinaryArray(Element element) : m_element(element) {}

void BinaryArray::addText(const QByteArray &utf8)
{
    const auto length = qToBigEndian<qint32>(qint32(utf8.size()));
    m_elements.append(reinterpret_cast<const char *>(&length), 4);
    m_elements.append(utf8);
    ++m_count;
}

void BinaryArray::addInt4(qint32 value)
{
    const auto length = qToBigEndian<qint32>(4);
    const auto number = qToBigEndian<qint32>(value);
    m_elements.append(reinterpret_cast<const char *>(&length), 4);
    m_elements.append(reinterpret_cast<const char *>(&number), 4);
    ++m_count;
}

void BinaryArray::addNull()
{
    const auto length = qToBigEndian<qint32>(-1);
    m_elements.append(reinterpret_cast<const char *>(&length), 4);
    m_hasNull = true;
    ++m_count;
}

unsigned BinaryArray::type() const
{
    return m_element == Element::Text ? TextArrayOid : Int4ArrayOid;
}

// Layout: dimensions, has-null flag, element type, then size and lower bound of the one
// dimension, then each element as its length (-1 for Null) and its bytes.
QByteArray BinaryArray::bytes() const
{
    QByteArray out;
    const auto put = [&out](qint32 value) {
        const auto big = qToBigEndian<qint32>(value);
        out.append(reinterpret_cast<const char *>(&big), 4);
    };
    put(m_count == 0 ? 0 : 1);
    put(m_hasNull ? 1 : 0);
    put(qint32(m_element == Element::Text ? TextOid : Int4Oid));
    if (m_count > 0) {
        put(m_count);
        put(1);
    }
    return out + m_elements;
}

} // namespace donguri::pg

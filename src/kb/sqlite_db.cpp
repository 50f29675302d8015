// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqlite_db.h"

#include "kb_error.h"
#include "kb_location.h"

#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>

namespace donguri::sql {

namespace {
// SQLite's own busy timeout backs off to 100 ms between tries. A program that writes steadily
// frees the lock only for moments, which tries that far apart keep missing until the timeout
// runs out; trying every millisecond catches them.
constexpr unsigned long BusyRetryUs = 1000;

// Another program instance may be writing; wait for it rather than fail with "locked".
int waitForLock(void *wait, int attempt)
{
    auto &lockWait = *static_cast<LockWait *>(wait);
    if (attempt == 0)
        lockWait.giveUp.setRemainingTime(lockWait.patience);
    else if (lockWait.giveUp.hasExpired())
        return 0;
    QThread::usleep(BusyRetryUs);
    return 1;
}
} // namespace

Database::Database(const QString &path, Mode mode)
{
    int flags = SQLITE_OPEN_NOMUTEX;
    QByteArray file = path.toUtf8();
    if (file.isEmpty() || file.contains('\0'))
        throw KbError(QStringLiteral("no database file named"));
    switch (mode) {
    case Mode::OpenExisting:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::CreateNew:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::ReadUnchanging:
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        file = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?immutable=1";
        break;
    }
    const int rc = sqlite3_open_v2(file.constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        const KbCause cause = causeOfSqliteFailure(rc, m_db ? sqlite3_system_errno(m_db) : 0);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw KbError(QStringLiteral("cannot open %1: %2").arg(shownLocation(path), message),
                      rc & 0xff, cause);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_handler(m_db, waitForLock, &m_lockWait);
}

Database::~Database()
{
    sqlite3_close_v2(m_db);
}

void Database::exec(const char *sql)
{
    char *error = nullptr;
    if (const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error); rc != SQLITE_OK) {
        // The statement's first words say which step failed ("PRAGMA journal_mode", "BEGIN").
        const QString what = QString::fromUtf8(sql).simplified().section(u' ', 0, 1);
        const QString message = QString::fromUtf8(error ? error : "unknown error");
        sqlite3_free(error);
        throw KbError(
            QStringLiteral("%1: %2").arg(what, message), rc & 0xff,
            causeOfSqliteFailure(sqlite3_extended_errcode(m_db), sqlite3_system_errno(m_db)));
    }
}

bool Database::isReadOnly() const
{
    return sqlite3_db_readonly(m_db, "main") == 1;
}

bool Database::mergeLog(std::chrono::milliseconds patience)
{
    const std::chrono::milliseconds usual = m_lockWait.patience;
    m_lockWait.patience = patience;
    int logFrames = 0;
    int merged = 0;
    const int rc =
        sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_RESTART, &logFrames, &merged);
    m_lockWait.patience = usual;
    // Busy: the frames no reader holds back were merged all the same, as far as they go.
    if (rc != SQLITE_OK && rc != SQLITE_BUSY)
        fail("merge the log");
    const bool whole = rc == SQLITE_OK || (logFrames >= 0 && merged == logFrames);
    if (!whole)
        syncLog();
    return whole;
}

// With synchronous = NORMAL a commit leaves the log to the disk's own time; a merge syncs the
// log before it writes the file. What a merge could not take is synced here instead, so that a
// write that has returned survives a power cut either way.
void Database::syncLog()
{
    sqlite3_file *log = nullptr;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) != SQLITE_OK || !log
        || !log->pMethods)
        return;
    if (const int rc = log->pMethods->xSync(log, SQLITE_SYNC_NORMAL); rc != SQLITE_OK)
        throw KbError(QStringLiteral("sync the log: %1").arg(QString::fromUtf8(sqlite3_errstr(rc))),
                      rc & 0xff, causeOfSqliteFailure(rc, errno));
}

void Database::keepLogOnClose()
{
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

void Database::clearInterrupt()
{
    // SQLite clears a pending interruption when a statement starts while none is running.
    sqlite3_exec(m_db, "SELECT 1", nullptr, nullptr, nullptr);
}

void Database::fail(const char *what) const
{
    throw KbError(QStringLiteral("%1: %2").arg(QString::fromUtf8(what),
                                               QString::fromUtf8(sqlite3_errmsg(m_db))),
                  sqlite3_errcode(m_db) & 0xff,
                  causeOfSqliteFailure(sqlite3_extended_errcode(m_db), sqlite3_system_errno(m_db)));
}

Statement::Statement(Database &db, const char *sql) : m_db(db)
{
    if (sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr)
        != SQLITE_OK)
        db.fail("prepare");
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement &Statement::bind(int index, const QString &text)
{
    return bind(index, text.toUtf8());
}

Statement &Statement::bind(int index, const QByteArray &utf8)
{
    // SQLITE_TRANSIENT: SQLite takes its own copy, so temporaries are safe to pass.
    if (sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT)
        != SQLITE_OK)
        m_db.fail("bind");
    return *this;
}

Statement &Statement::bindUnowned(int index, const QByteArray &utf8)
{
    if (sqlite3_bind_text64(m_stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                            SQLITE_STATIC, SQLITE_UTF8)
        != SQLITE_OK)
        m_db.fail("bind");
    return *this;
}

Statement &Statement::bind(int index, qint64 value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        m_db.fail("bind");
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    m_db.fail("step");
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

int Statement::type(int column) const
{
    return sqlite3_column_type(m_stmt, column);
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString Statement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
}

QByteArrayView Statement::bytes(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QByteArrayView(data, sqlite3_column_bytes(m_stmt, column));
}

Transaction::Transaction(Database &db) : m_db(db)
{
    m_db.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (m_open)
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    m_db.exec("COMMIT");
    m_open = false;
}

} // namespace donguri::sql

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_backup.h"

#include "file_system.h"
#include "kb_error.h"
#include "kb_location.h"
#include "sqlite_db.h"

#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <climits>
#include <memory>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

// Pages a step copies at first. In rollback-journal mode (a file on a network share) a writer
// waits while a step reads; a few hundred pages take milliseconds.
constexpr int FirstStepPages = 256;

// The source is read as the program reads it: a file this user may not write, or one in a folder
// where SQLite cannot make its log files, as it stands (nobody can change it there).
std::unique_ptr<sql::Database> openSource(const QString &path)
{
    using Mode = sql::Database::Mode;
    if (QFileInfo(path).isReadable() && !QFileInfo(path).isWritable())
        return std::make_unique<sql::Database>(path, Mode::ReadUnchanging);
    try {
        auto db = std::make_unique<sql::Database>(path, Mode::OpenExisting);
        db->exec("SELECT 1 FROM sqlite_schema LIMIT 1"); // opening alone does not read
        return db;
    } catch (const KbError &error) {
        if (error.code() != SQLITE_READONLY && error.code() != SQLITE_CANTOPEN)
            throw;
        return std::make_unique<sql::Database>(path, Mode::ReadUnchanging);
    }
}

// One backup from a source connection into a destination connection, finished however it ends.
class Backup
{
public:
    Backup(sql::Database &from, sql::Database &to)
        : m_backup(sqlite3_backup_init(to.handle(), "main", from.handle(), "main"))
    {
        if (!m_backup)
            to.fail("backup");
    }
    ~Backup()
    {
        if (m_backup)
            sqlite3_backup_finish(m_backup);
    }
    Backup(const Backup &) = delete;
    Backup &operator=(const Backup &) = delete;

    // Steps until every page is copied. A write by another program between two steps makes the
    // next one start again from the first page: then the steps grow twice as long.
    void copyAll(const BackupProgress &progress)
    {
        int stepPages = FirstStepPages;
        qint64 copied = 0;
        for (;;) {
            const int rc = sqlite3_backup_step(m_backup, stepPages);
            if (rc != SQLITE_OK && rc != SQLITE_DONE)
                fail(rc);
            const qint64 total = sqlite3_backup_pagecount(m_backup);
            const qint64 nowCopied = total - sqlite3_backup_remaining(m_backup);
            if (progress)
                progress(nowCopied, total);
            if (rc == SQLITE_DONE)
                break;
            if (nowCopied < copied + stepPages)
                stepPages = stepPages > INT_MAX / 2 ? INT_MAX : 2 * stepPages;
            copied = nowCopied;
        }
        const int rc = sqlite3_backup_finish(m_backup);
        m_backup = nullptr;
        if (rc != SQLITE_OK)
            fail(rc);
    }

private:
    [[noreturn]] void fail(int rc)
    {
        sqlite3_backup_finish(m_backup);
        m_backup = nullptr;
        throw KbError(u"backup: %1"_s.arg(QString::fromUtf8(sqlite3_errstr(rc))), rc & 0xff);
    }

    sqlite3_backup *m_backup;
};

// The first few problems PRAGMA integrity_check finds; none when it says "ok".
QStringList integrityProblems(sql::Database &db)
{
    sql::Statement check(db, "PRAGMA integrity_check(3)");
    QStringList problems;
    while (check.step())
        problems << check.text(0);
    return problems == QStringList{u"ok"_s} ? QStringList() : problems;
}

QString singleText(sql::Database &db, const char *sql)
{
    sql::Statement statement(db, sql);
    return statement.step() ? statement.text(0) : QString();
}

} // namespace

void backUpFile(const QString &source, const QString &target, const BackupProgress &progress)
{
    if (QFileInfo::exists(target))
        throw KbError(u"%1 exists already"_s.arg(shownLocation(target)));
    try {
        const std::unique_ptr<sql::Database> from = openSource(source);
        sql::Database to(target, sql::Database::Mode::CreateNew);
        Backup(*from, to).copyAll(progress);
    } catch (const KbError &) {
        removeKnowledgeBaseFile(target);
        throw;
    }
}

qint64 sealBackupFile(const QString &path)
{
    sql::Database db(path, sql::Database::Mode::OpenExisting);
    // A copy of a file in write-ahead-log mode is in that mode too, and would make its -wal and
    // -shm files wherever it is opened; it is switched back in place.
    if (const QString mode = singleText(db, "PRAGMA journal_mode = DELETE"); mode != u"delete")
        throw KbError(u"the copy stays in journal mode %1"_s.arg(mode));
    if (const QStringList problems = integrityProblems(db); !problems.isEmpty())
        throw KbError(u"the copy is not whole: %1"_s.arg(problems.join(u"; "_s)));
    return singleText(db, "SELECT count(*) FROM 言葉").toLongLong();
}

} // namespace donguri

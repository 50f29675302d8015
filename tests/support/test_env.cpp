// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_env.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace donguri::testing {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool linkToDevZero(const QString &path)
{
    return QFile::link(QStringLiteral("/dev/zero"), path);
}

bool isFifo(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

namespace {
void openForWriting(const QString &fifo)
{
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, "\n", 1);
        ::close(fd);
    }
}
} // namespace

FifoRelease::FifoRelease(const QString &fifo, int ms)
    : m_thread(QThread::create([this, fifo, ms] {
          const QDeadlineTimer deadline(ms);
          while (!m_done && !deadline.hasExpired())
              QThread::msleep(10);
          if (!m_done) {
              m_needed = true;
              openForWriting(fifo);
          }
      }))
{
    m_thread->start();
}

FifoRelease::~FifoRelease()
{
    m_done = true;
    m_thread->wait();
}

FifoWriter::FifoWriter(const QString &path, QByteArray first, QByteArray again, qint64 most)
    : m_path(path), m_made(makeFifo(path))
{
    if (!m_made)
        return;
    m_thread.reset(QThread::create([this, first, again, most] { write(first, again, most); }));
    m_thread->start();
}

FifoWriter::~FifoWriter()
{
    if (!m_thread)
        return;
    // A reader that never came: the other end opened and closed again lets the writer's open
    // return and its first write fail.
    if (!m_opened) {
        const int reader = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK);
        while (reader >= 0 && !m_opened)
            QThread::yieldCurrentThread();
        if (reader >= 0)
            ::close(reader);
    }
    m_thread->wait();
}

qint64 FifoWriter::written()
{
    if (m_thread)
        m_thread->wait();
    return m_written;
}

bool FifoWriter::stoppedByReader()
{
    written();
    return m_stoppedByReader;
}

// A write into a pipe its reader has closed raises SIGPIPE, which would end the test program:
// it is held back on this thread, so that the write fails with EPIPE instead, and then taken.
void FifoWriter::write(const QByteArray &first, const QByteArray &again, qint64 most)
{
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY);
    m_opened = true;
    if (fd < 0)
        return;
    const auto writeAll = [&](const QByteArray &bytes) {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t count =
                ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (count < 0) {
                m_stoppedByReader = errno == EPIPE;
                return false;
            }
            done += count;
            m_written += count;
        }
        return true;
    };
    if (writeAll(first)) {
        while (!again.isEmpty() && m_written < most && writeAll(again)) {}
    }
    ::close(fd);
    const timespec noWait{};
    if (m_stoppedByReader)
        sigtimedwait(&pipeSignal, nullptr, &noWait);
}

bool finishesWithin(int ms, const std::function<void()> &work, const QString &fifo)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    if (thread->wait(QDeadlineTimer(ms)))
        return true;
    if (!fifo.isEmpty())
        openForWriting(fifo);
    if (!thread->wait(QDeadlineTimer(5000)))
        thread.release(); // still running: left to the end of the test program
    return false;
}

} // namespace donguri::testing

#include <sqlite3.h>

namespace donguri::testing {

void execSql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        qWarning("SQL failed: %s", error);
        sqlite3_free(error);
    }
    sqlite3_close(db);
}

qint64 sqlNumber(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt *query = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &query, nullptr) == SQLITE_OK
        && sqlite3_step(query) == SQLITE_ROW)
        value = sqlite3_column_int64(query, 0);
    sqlite3_finalize(query);
    sqlite3_close(db);
    return value;
}

HeldReader::HeldReader(const QString &path)
{
    sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    // A read transaction holds its state from its first read until it ends.
    sqlite3_exec(m_db, "BEGIN; SELECT count(*) FROM 言葉;", nullptr, nullptr, nullptr);
}

HeldReader::~HeldReader()
{
    sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

void copyAsLeftOnDisk(const QString &fromPath, const QString &toPath)
{
    for (const char *tail : {"", "-wal", "-shm"}) {
        const QString from = fromPath + QString::fromLatin1(tail);
        if (QFile::exists(from))
            writeBytes(toPath + QString::fromLatin1(tail), fileBytes(from));
    }
}

void copyOver(const QString &source, const QString &path)
{
    writeBytes(path, fileBytes(source));
}

int journalFormat(const QString &path)
{
    const QByteArray header = fileBytes(path).left(100);
    return header.size() == 100 ? int(header[18]) : -1;
}

} // namespace donguri::testing

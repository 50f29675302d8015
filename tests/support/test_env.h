// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

struct sqlite3;

namespace donguri::testing {

// Bytes of a file, or an empty array when it cannot be read.
QByteArray fileBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

// Settings files that are no plain file: a FIFO without a writer, a link to /dev/zero.
bool makeFifo(const QString &path);
bool linkToDevZero(const QString &path);
bool isFifo(const QString &path);

// Runs `work` on a thread of its own and tells whether it ended within `ms`. When it did not,
// a writer opens `fifo` (if given) to free a reader stuck on it; work still stuck after that
// is abandoned, so that a test fails instead of hanging.
bool finishesWithin(int ms, const std::function<void()> &work, const QString &fifo = {});

// For a reader that must stay on the test's own thread (a window): unless it is destroyed
// first, after `ms` a writer opens `fifo` to free a reader stuck on it.
class FifoRelease
{
public:
    FifoRelease(const QString &fifo, int ms);
    ~FifoRelease();
    FifoRelease(const FifoRelease &) = delete;
    FifoRelease &operator=(const FifoRelease &) = delete;
    // Whether the reader had to be freed.
    bool wasNeeded() const { return m_needed; }

private:
    std::atomic<bool> m_done = false;
    std::atomic<bool> m_needed = false;
    std::unique_ptr<QThread> m_thread;
};

// Feeds a FIFO it makes at `path` from a thread of its own, as a program at the other end of a
// pipe would: `first` once, then `again` over and over until the reader closes its end or `most`
// bytes have gone in, then it closes its own end (with `again` empty, after `first`).
class FifoWriter
{
public:
    FifoWriter(const QString &path, QByteArray first, QByteArray again, qint64 most);
    // Frees a writer still waiting for a reader, and waits for it to end.
    ~FifoWriter();
    FifoWriter(const FifoWriter &) = delete;
    FifoWriter &operator=(const FifoWriter &) = delete;

    bool made() const { return m_made; }
    // Waits for the writer to end: how many bytes went in, and whether it stopped because the
    // reader had closed the pipe.
    qint64 written();
    bool stoppedByReader();

private:
    void write(const QByteArray &first, const QByteArray &again, qint64 most);

    QString m_path;
    bool m_made = false;
    std::atomic<bool> m_opened = false;
    qint64 m_written = 0;
    bool m_stoppedByReader = false;
    std::unique_ptr<QThread> m_thread;
};

} // namespace donguri::testing

namespace donguri::testing {

// Runs SQL on a database file directly, for setting up files the program did not write.
void execSql(const QString &path, const char *sql);
// The first column of the first row a query gives, as a number; -1 when it gives none.
qint64 sqlNumber(const QString &path, const char *sql);
// Byte 18 of an SQLite file: 1 for a rollback journal, 2 for write-ahead logging; -1 when the
// file has no header.
int journalFormat(const QString &path);

// Another program reading a knowledge base file: it holds the state it began reading, so writes
// made meanwhile cannot all be merged into the file and stay in its log, as they would when a
// program is killed before it merges them.
class HeldReader
{
public:
    explicit HeldReader(const QString &path);
    ~HeldReader();
    HeldReader(const HeldReader &) = delete;
    HeldReader &operator=(const HeldReader &) = delete;

private:
    ::sqlite3 *m_db = nullptr;
};

// Copies a knowledge base with whatever lies beside it (-wal, -shm) to `toPath`, as a crash would
// leave them on the disk: the originals stay open and untouched.
void copyAsLeftOnDisk(const QString &fromPath, const QString &toPath);

// Puts a copy of `source` at `path` the way `cp` does over an existing file: the same file,
// its bytes rewritten in place.
void copyOver(const QString &source, const QString &path);

} // namespace donguri::testing

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "write_ahead_log.h"

#include "file_system.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <QtEndian>

#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

// The log's layout (SQLite's file format, "The WAL File Format"): a 32-byte header, then frames
// of a 24-byte header and one page each. All numbers are big-endian.
constexpr qint64 LogHeaderBytes = 32;
constexpr qint64 FrameHeaderBytes = 24;
constexpr quint32 LogMagic = 0x377f0682; // the low bit says which byte order the checksums use
// In the file's own 100-byte header.
constexpr int PageSizeOffset = 16;
constexpr int WriteStampOffset = 60; // user_version
// A file whose inode changed this long after the log's last write was put there afterwards:
// SQLite merges a log within moments of writing it, never seconds later.
constexpr qint64 ReplacedAfterMs = 2000;

quint32 bigEndian32(const char *bytes)
{
    return qFromBigEndian<quint32>(bytes);
}

// SQLite's checksum over `bytes` (a multiple of 8), going on from `sum`.
void addChecksum(std::array<quint32, 2> &sum, const char *bytes, qsizetype size,
                 bool bigEndianWords)
{
    for (qsizetype i = 0; i + 8 <= size; i += 8) {
        const quint32 first = bigEndianWords ? qFromBigEndian<quint32>(bytes + i)
                                             : qFromLittleEndian<quint32>(bytes + i);
        const quint32 second = bigEndianWords ? qFromBigEndian<quint32>(bytes + i + 4)
                                              : qFromLittleEndian<quint32>(bytes + i + 4);
        sum[0] += first + sum[1];
        sum[1] += second + sum[0];
    }
}

// What the log's committed writes say about the file they were made on.
struct LogContents
{
    bool hasCommittedWrite = false;
    quint32 pageSize = 0;
    QList<qint32> pageOneStamps; // the write stamp of every committed page-1 image, in order
};

// Reads the log as SQLite's recovery would: frames count while their salts and running checksum
// hold, and only those up to the last frame that ends a transaction.
LogContents readLog(QFile &log)
{
    LogContents contents;
    char header[LogHeaderBytes];
    if (log.read(header, LogHeaderBytes) != LogHeaderBytes)
        return contents;
    const quint32 magic = bigEndian32(header);
    if ((magic & ~1U) != LogMagic)
        return contents;
    const bool bigEndianWords = magic & 1;
    const quint32 pageSize = bigEndian32(header + 8);
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return contents;
    std::array<quint32, 2> sum{};
    addChecksum(sum, header, 24, bigEndianWords);
    if (sum[0] != bigEndian32(header + 24) || sum[1] != bigEndian32(header + 28))
        return contents;

    QByteArray frame(FrameHeaderBytes + pageSize, Qt::Uninitialized);
    QList<qint32> pending; // stamps of the transaction not yet seen to end
    while (log.read(frame.data(), frame.size()) == frame.size()) {
        const char *frameHeader = frame.constData();
        const quint32 page = bigEndian32(frameHeader);
        const quint32 pagesAfterCommit = bigEndian32(frameHeader + 4);
        if (page == 0 || std::memcmp(frameHeader + 8, header + 16, 8) != 0)
            break;
        addChecksum(sum, frameHeader, 8, bigEndianWords);
        addChecksum(sum, frameHeader + FrameHeaderBytes, pageSize, bigEndianWords);
        if (sum[0] != bigEndian32(frameHeader + 16) || sum[1] != bigEndian32(frameHeader + 20))
            break;
        if (page == 1)
            pending << qint32(bigEndian32(frameHeader + FrameHeaderBytes + WriteStampOffset));
        if (pagesAfterCommit != 0) {
            contents.hasCommittedWrite = true;
            contents.pageOneStamps << pending;
            pending.clear();
        }
    }
    contents.pageSize = pageSize;
    return contents;
}

struct FileHeader
{
    quint32 pageSize = 0;
    qint32 stamp = 0;
};

std::optional<FileHeader> readFileHeader(const QString &path)
{
    QFile file(path);
    char header[100];
    if (!file.open(QIODevice::ReadOnly) || file.read(header, sizeof header) != sizeof header)
        return std::nullopt;
    FileHeader read;
    // Stored as size / 256, with 1 meaning 65536.
    const quint32 stored = qFromBigEndian<quint16>(header + PageSizeOffset);
    read.pageSize = stored == 1 ? 65536 : stored;
    read.stamp = qint32(bigEndian32(header + WriteStampOffset));
    return read;
}

LogCheck foreign(const QString &reason)
{
    return {LogCheck::Verdict::Foreign, reason};
}

// For files that carry no write stamps yet.
LogCheck judgeByTime(const QString &databasePath, const QString &logPath)
{
    const QDateTime logWritten = QFileInfo(logPath).lastModified();
    const QDateTime fileChanged = QFileInfo(databasePath).metadataChangeTime();
    if (logWritten.isValid() && fileChanged.isValid()
        && logWritten.msecsTo(fileChanged) > ReplacedAfterMs)
        return foreign(u"the file was put in place at %1, after the log's last write at %2"_s.arg(
            fileChanged.toString(Qt::ISODateWithMs), logWritten.toString(Qt::ISODateWithMs)));
    return {LogCheck::Verdict::Belongs, {}};
}

} // namespace

qint32 nextWriteStamp(qint32 current)
{
    if (current <= 0 || current == std::numeric_limits<qint32>::max())
        return qint32(QRandomGenerator::global()->bounded(1, std::numeric_limits<qint32>::max()));
    return current + 1;
}

LogCheck checkWriteAheadLog(const QString &databasePath)
{
    const QString logPath = databasePath + u"-wal"_s;
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const LogContents contents = readLog(log);
    if (!contents.hasCommittedWrite)
        return {};
    const std::optional<FileHeader> file = readFileHeader(databasePath);
    if (!file)
        return {}; // SQLite itself will say what is wrong with the file
    if (file->pageSize != contents.pageSize)
        return foreign(u"the log's pages are of %1 bytes, the file's of %2"_s.arg(contents.pageSize)
                           .arg(file->pageSize));
    const QList<qint32> &stamps = contents.pageOneStamps;
    if (file->stamp <= 0 || file->stamp == std::numeric_limits<qint32>::max() || stamps.isEmpty())
        return judgeByTime(databasePath, logPath);
    // The log's first write was made on the file as it is, or the file holds one of the log's
    // writes already (merged before the program stopped).
    if (stamps.first() == file->stamp + 1 || stamps.contains(file->stamp))
        return {LogCheck::Verdict::Belongs, {}};
    return foreign(
        u"the log goes on from write %1, the file is at write %2"_s.arg(qint64(stamps.first()) - 1)
            .arg(file->stamp));
}

std::optional<QString> setLogAside(const QString &databasePath, QString *error)
{
    const QString from = databasePath + u"-wal"_s;
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString to =
            from + u".foreign-"_s + stamp + (attempt == 0 ? QString() : u"-%1"_s.arg(attempt));
        // Never over an earlier one: each may hold someone's last words.
        if (renameWithoutReplacing(from, to))
            return to;
        if (errno != EEXIST)
            break;
    }
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return std::nullopt;
}

} // namespace donguri

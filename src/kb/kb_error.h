// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

namespace donguri {

// Why the knowledge base could not do what was asked, in the terms a person can act on. Told
// from the stores' own codes (SQLite's result codes and errno, PostgreSQL's SQLSTATE), never
// from the wording of their messages.
enum class KbCause {
    Unknown,
    Missing,           // nothing there: no file, or no such database on the server
    Damaged,           // a file that is not a database at all, or a damaged one
    Folder,            // the path names a folder
    NoReadPermission,  // this user may not read it
    NoWritePermission, // read-only: the file, its folder, its file system, or the server's role
    DiskFull,          // the disk (the server's disk) has no room left
    OtherProgram,      // a database, but another program's: none of the knowledge base's tables
    WrongShape,        // the knowledge base's tables, with other columns
    NoTables,          // a server database without the tables, which may not be made there
    Unreachable,       // the server does not answer, or the connection broke
    Refused,           // the server answered with a refusal: its reason is in detail()
};

// Every failure of the knowledge base (file missing or not ours, disk full, locked, a row that
// is not there) reaches the caller as this exception; nothing is swallowed inside the store.
class KbError : public std::runtime_error
{
public:
    // `code` is SQLite's primary result code where SQLite reported the failure, otherwise 0.
    explicit KbError(const QString &message, int code = 0, KbCause cause = KbCause::Unknown,
                     const QString &detail = {});

    QString message() const { return QString::fromUtf8(what()); }
    int code() const { return m_code; }
    KbCause cause() const { return m_cause; }
    // The server's own words for a refusal; empty otherwise.
    const QString &detail() const { return m_detail; }

private:
    int m_code;
    KbCause m_cause;
    QString m_detail;
};

// The cause of a failure SQLite reported with `extendedCode`; `systemErrno` is what the file
// system said (sqlite3_system_errno), which tells a folder or a full disk from other I/O errors.
KbCause causeOfSqliteFailure(int extendedCode, int systemErrno);

// The cause of a failure PostgreSQL reported with `sqlState` (five characters).
KbCause causeOfSqlState(const QString &sqlState);

} // namespace donguri

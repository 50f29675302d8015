// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace donguri {

// Tells whether a folder lies on a file system that other computers reach over a network.
using FileSystemProbe = std::function<bool(const QString &folder)>;

// The real probe: asks the kernel for the type of the file system the folder is on. A folder
// that cannot be looked at counts as local, as SQLite's own default does.
bool isOnNetworkFileSystem(const QString &folder);

// Whether a file system type (statfs's f_type) is one that several computers share: NFS,
// SMB/CIFS, FUSE (sshfs and the like), 9p, AFS, Ceph, Coda, GFS2, OCFS2, Lustre and others.
bool isNetworkFileSystemType(qint64 type);

// Why this user cannot write the knowledge base file `path` (an existing one, or a new one made
// there), said for a message: the file or its folder is read-only, or lies on a file system
// mounted read-only. Empty when it can be written. The folder counts because SQLite keeps its
// log files beside the knowledge base; asked before a write, so that nothing is left there.
QString readOnlyReason(const QString &path);

// Which file a path names: the same pair means the same file, whatever its name.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity &) const = default;
};

// The file `path` names now; nullopt when there is none.
std::optional<FileIdentity> fileIdentity(const QString &path);

// The first `size` bytes of the file; fewer when it is shorter or cannot be read.
QByteArray fileBeginning(const QString &path, qint64 size);

// What SQLite keeps beside a knowledge-base file, by the ending added to its name: the
// rollback journal, the write-ahead log and its shared memory.
const QStringList &sqliteFileSuffixes();

// Removes the knowledge-base file `path` and whatever SQLite keeps beside it.
void removeKnowledgeBaseFile(const QString &path);

// Gives the file `from` the name `to` unless a file of that name exists, and then fails with
// errno EEXIST: a plain rename would replace a file another program has just made there.
bool renameWithoutReplacing(const QString &from, const QString &to);

} // namespace donguri

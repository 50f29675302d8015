// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_system.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace donguri {

namespace {

// Magic numbers from the kernel's include/uapi/linux/magic.h and the file systems' own sources;
// FUSE covers sshfs, rclone, s3fs and every other mount made through it.
constexpr std::array<qint64, 16> NetworkTypes = {
    0x6969,     // NFS
    0x517B,     // SMB (the old smbfs)
    0xFF534D42, // CIFS
    0xFE534D42, // SMB2/SMB3 (the ksmbd-era cifs client)
    0x65735546, // FUSE
    0x65735543, // FUSE control
    0x01021997, // 9p (v9fs)
    0x5346414F, // AFS (OpenAFS)
    0x6B414653, // AFS (kernel kAFS)
    0x00C36400, // Ceph
    0x73757245, // Coda
    0x01161970, // GFS2
    0x7461636F, // OCFS2
    0x0BD00BD0, // Lustre
    0x47504653, // GPFS
    0x013111A8, // IBRIX
};

} // namespace

bool isNetworkFileSystemType(qint64 type)
{
    const qint64 unsignedType = type & 0xFFFFFFFF; // f_type is signed on some architectures
    return std::find(NetworkTypes.cbegin(), NetworkTypes.cend(), unsignedType)
           != NetworkTypes.cend();
}

namespace {

// Whether this user may write `path`; errno tells why not.
bool mayWrite(const QString &path)
{
    return access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

QString readOnlyReason(const QString &path)
{
    using namespace Qt::StringLiterals;
    const QFileInfo file(path);
    if (file.exists() && !mayWrite(path)) {
        return errno == EROFS ? u"it is on a file system mounted read-only"_s
                              : u"the file is read-only"_s;
    }
    if (!mayWrite(file.absolutePath())) {
        if (errno == ENOENT || errno == ENOTDIR)
            return u"its folder does not exist"_s;
        return errno == EROFS ? u"it is on a file system mounted read-only"_s
                              : u"its folder is read-only"_s;
    }
    return {};
}

const QStringList &sqliteFileSuffixes()
{
    using namespace Qt::StringLiterals;
    static const QStringList suffixes = {u"-journal"_s, u"-wal"_s, u"-shm"_s};
    return suffixes;
}

void removeKnowledgeBaseFile(const QString &path)
{
    QFile::remove(path);
    for (const QString &suffix : sqliteFileSuffixes())
        QFile::remove(path + suffix);
}

bool renameWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
        == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without that: a hard link never replaces a file either.
    if (link(source.constData(), target.constData()) == 0) {
        unlink(source.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    // Nor hard links (some network file systems): look first, then rename.
    if (QFileInfo::exists(to)) {
        errno = EEXIST;
        return false;
    }
    return std::rename(source.constData(), target.constData()) == 0;
}

bool isOnNetworkFileSystem(const QString &folder)
{
    struct statfs info
    {
    };
    if (statfs(QFile::encodeName(folder).constData(), &info) != 0)
        return false;
    return isNetworkFileSystemType(qint64(info.f_type));
}

std::optional<FileIdentity> fileIdentity(const QString &path)
{
    struct stat info
    {
    };
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}

QByteArray fileBeginning(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(size);
}

} // namespace donguri

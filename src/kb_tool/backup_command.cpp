// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup_command.h"

#include "copy_command.h"
#include "kb/file_backup.h"
#include "kb/file_system.h"
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb_tool_log.h"
#include "progress_bar.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

// Where the backup goes: TARGET, or the file a symbolic link there leads to (as export writes
// through one). Refused before anything is read when it may not or cannot be written.
QString checkedTarget(const QString &target, const QString &location, bool replace)
{
    if (isServerLocation(target))
        throw UsageProblem(u"backup writes a file; copy puts a knowledge base onto a server"_s);
    refuseToOverwrite(target, location, u"back up to another file"_s);
    const QFileInfo named(target);
    QString file = named.exists()      ? named.canonicalFilePath()
                   : named.isSymLink() ? named.symLinkTarget()
                                       : target;
    if (QFileInfo::exists(file)) {
        if (!replace)
            throw CommandError(
                u"%1 exists already; backup writes a new file (--replace replaces it)"_s.arg(
                    cutLongName(target)));
        if (!QFileInfo(file).isFile())
            throw CommandError(u"will not replace %1: it is not a file"_s.arg(cutLongName(target)));
    }
    if (const QString why = readOnlyReason(file); !why.isEmpty())
        throw CommandError(u"cannot back up to %1: %2"_s.arg(cutLongName(target), why));
    return file;
}

// A name, once given, is kept through a power cut only when its folder is on the disk too.
void syncFolderOf(const QString &file)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0)
        qCWarning(lcKbTool) << "cannot write the folder of" << file
                            << "to the disk:" << std::strerror(errno);
    if (fd >= 0)
        ::close(fd);
}

// The backup while it is written: beside TARGET under a name of its own, and removed, with
// whatever SQLite made beside it, unless it has been moved into place.
class PartialBackup
{
public:
    explicit PartialBackup(const QString &target)
        : m_path(target
                 + u".%1.new"_s.arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')))
    {
    }
    ~PartialBackup()
    {
        if (!m_moved)
            removeKnowledgeBaseFile(m_path);
    }
    PartialBackup(const PartialBackup &) = delete;
    PartialBackup &operator=(const PartialBackup &) = delete;

    const QString &path() const { return m_path; }

    // Gives it the name `target`, replacing a file of that name only when told to.
    void moveTo(const QString &target, bool replace)
    {
        const bool moved = replace ? std::rename(QFile::encodeName(m_path).constData(),
                                                 QFile::encodeName(target).constData())
                                         == 0
                                   : renameWithoutReplacing(m_path, target);
        if (!moved) {
            const int error = errno;
            throw CommandError(
                error == EEXIST
                    ? u"%1 was made by another program meanwhile; the backup was "
                      "not written (--replace replaces it)"_s.arg(cutLongName(target))
                    : u"cannot back up to %1: %2"_s.arg(
                        cutLongName(target), QString::fromLocal8Bit(std::strerror(error))));
        }
        m_moved = true;
        syncFolderOf(target);
    }

private:
    QString m_path;
    bool m_moved = false;
};

// A file is copied page by page, a server entry by entry.
void writeBackup(KnowledgeBase &kb, const QString &location, const QString &file,
                 const Console &console)
{
    const QString label = u"Backing up"_s;
    if (isServerLocation(location)) {
        copyAllEntries(kb, file, false, console, label);
        return;
    }
    std::unique_ptr<ProgressBar> bar;
    qint64 barPages = 0;
    backUpFile(location, file, [&](qint64 copied, qint64 total) {
        if (!bar && wantsProgressBar(console.errIsTerminal, total)) {
            bar = std::make_unique<ProgressBar>(console.err, label, total);
            barPages = total;
        }
        if (bar)
            bar->advanceTo(std::min(copied, barPages)); // the file may grow meanwhile
    });
    if (bar)
        bar->finish();
}

} // namespace

BackupCommand::BackupCommand() : DatabaseCommand(u"backup"_s, {u"TARGET"_s}, {replaceOption()}) {}

int BackupCommand::runOn(const QString &location, const QCommandLineParser &parser,
                         const QStringList &words, const CommandContext &context)
{
    const QString &target = words.first();
    const bool replace = parser.isSet(replaceOption());
    const QString file = checkedTarget(target, location, replace);
    const std::unique_ptr<KnowledgeBase> kb = openExisting(location);
    PartialBackup partial(file);
    qint64 entries = 0;
    try {
        writeBackup(*kb, location, partial.path(), context.console);
        entries = sealBackupFile(partial.path());
    } catch (const KbError &error) {
        // Messages about the file being written name TARGET, the one the user knows.
        const QString message = withoutPassword(error.message(), location)
                                    .replace(shownLocation(partial.path()), cutLongName(target));
        throw CommandError(u"cannot back up %1 to %2: %3"_s.arg(shownLocation(location),
                                                                cutLongName(target), message));
    }
    partial.moveTo(file, replace);
    context.console.out << u"Backed up %1 entries from %2 to %3"_s.arg(entries).arg(
        shownLocation(location), cutLongName(target))
                        << Qt::endl;
    return Success;
}

} // namespace donguri::kbtool

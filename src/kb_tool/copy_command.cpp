// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "copy_command.h"

#include "database_command.h"
#include "kb/file_system.h"
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/open_knowledge_base.h"
#include "knowledge_base_place.h"
#include "progress_bar.h"

#include <QFileInfo>

#include <memory>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

bool sameKnowledgeBase(const QString &a, const QString &b)
{
    if (isServerLocation(a) || isServerLocation(b))
        return a == b;
    const QFileInfo first(a);
    const QFileInfo second(b);
    return first.exists() && second.exists()
               ? first.canonicalFilePath() == second.canonicalFilePath()
               : first.absoluteFilePath() == second.absoluteFilePath();
}

std::unique_ptr<KnowledgeBase> openSource(const QString &location)
{
    OpenOptions existing = Patiently;
    existing.create = false;
    try {
        return openKnowledgeBase(location, existing);
    } catch (const KbError &error) {
        throw CommandError(aboutFailure(location, error.message(), error.cause()));
    }
}

// A file the copy creates is taken away again when the copy fails, so that a failed copy leaves
// no empty knowledge base behind.
class CreatedFile
{
public:
    explicit CreatedFile(const QString &location)
        : m_path(!isServerLocation(location) && !QFileInfo::exists(location) ? location : QString())
    {
    }
    ~CreatedFile()
    {
        if (!m_path.isEmpty())
            removeKnowledgeBaseFile(m_path);
    }
    CreatedFile(const CreatedFile &) = delete;
    CreatedFile &operator=(const CreatedFile &) = delete;
    void keep() { m_path.clear(); }

private:
    QString m_path;
};

struct CopyRequest
{
    QString source;
    QString target;
    bool append = false;
};

qint64 copyEntries(KnowledgeBase &from, KnowledgeBase &to, bool append,
                   const std::function<void(qint64)> &progress)
{
    const std::optional<qint16> choice = from.characterChoice();
    const std::unique_ptr<EntryReader> reader = from.readEntries();
    if (!append)
        return to.fillEmpty([&] { return reader->next(); }, choice, progress);
    return to.addAll(
        [&]() -> std::optional<NewEntry> {
            const std::optional<Entry> entry = reader->next();
            if (!entry)
                return std::nullopt;
            return NewEntry{entry->word, entry->meaning.value_or(QString()), entry->link};
        },
        progress);
}

void copyKnowledgeBase(const CopyRequest &request, const Console &console)
{
    const QString source = shownLocation(request.source);
    const QString target = shownLocation(request.target);
    if (sameKnowledgeBase(request.source, request.target))
        throw CommandError(u"%1 and %2 are the same knowledge base"_s.arg(source, target));
    for (const QString &place : {request.source, request.target}) {
        if (const QString problem = problemAtPlace(place); !problem.isEmpty())
            throw CommandError(problem);
    }
    if (!isServerLocation(request.target)) {
        if (const QString why = readOnlyReason(request.target); !why.isEmpty())
            throw CommandError(u"cannot copy into %1: %2"_s.arg(target, why));
    }
    const std::unique_ptr<KnowledgeBase> from = openSource(request.source);
    CreatedFile created(request.target);
    const qint64 copied =
        copyAllEntries(*from, request.target, request.append, console, u"Copying"_s);
    created.keep();
    console.out << u"%1 %2 entries from %3 to %4"_s.arg(request.append ? u"Added"_s : u"Copied"_s)
                       .arg(copied)
                       .arg(source, target)
                << Qt::endl;
}

} // namespace

qint64 copyAllEntries(KnowledgeBase &from, const QString &target, bool append,
                      const Console &console, const QString &barLabel)
{
    const std::unique_ptr<KnowledgeBase> to = openKnowledgeBase(target, Patiently);
    if (!append) {
        if (const qint64 there = to->countAll(); there > 0)
            throw CommandError(
                u"%1 already holds %2 entries; copy fills only an empty knowledge "
                "base (--append adds the entries as new ones)"_s.arg(shownLocation(target))
                    .arg(there));
    }
    const qint64 total = from.countAll();
    std::unique_ptr<ProgressBar> bar;
    if (wantsProgressBar(console.errIsTerminal, total))
        bar = std::make_unique<ProgressBar>(console.err, barLabel, total);
    const qint64 copied = copyEntries(from, *to, append, [&](qint64 added) {
        if (bar)
            bar->advanceTo(added);
    });
    if (bar)
        bar->finish();
    return copied;
}

CopyCommand::CopyCommand() : Command(u"copy"_s, {u"SOURCE"_s, u"TARGET"_s}, {appendOption()}) {}

int CopyCommand::run(const QCommandLineParser &parser, const QStringList &words,
                     const CommandContext &context)
{
    const CopyRequest request{words[0], words[1], parser.isSet(appendOption())};
    try {
        copyKnowledgeBase(request, context.console);
    } catch (const KbError &error) {
        // Opening SOURCE is reported on its own above; a failure from here on is mostly
        // TARGET's, unless the message names SOURCE.
        const QString message = withoutPassword(error.message(), request.source);
        throw CommandError(message.contains(shownLocation(request.source))
                               ? message
                               : aboutFailure(request.target, message, error.cause()));
    }
    return Success;
}

} // namespace donguri::kbtool

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_copy.h"

#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/knowledge_base.h"
#include "progress_bar.h"

#include <QFile>
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
    OpenOptions existing;
    existing.create = false;
    existing.waitPatiently = true;
    return openKnowledgeBase(location, existing);
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
        if (m_path.isEmpty())
            return;
        for (const QString &suffix : {u""_s, u"-wal"_s, u"-shm"_s, u"-journal"_s})
            QFile::remove(m_path + suffix);
    }
    void keep() { m_path.clear(); }

private:
    QString m_path;
};

} // namespace

void copyKnowledgeBase(const CopyRequest &request, const Console &console)
{
    const QString source = displayedLocation(request.source);
    const QString target = displayedLocation(request.target);
    if (sameKnowledgeBase(request.source, request.target))
        throw CopyError(u"%1 and %2 are the same knowledge base"_s.arg(source, target));
    const std::unique_ptr<KnowledgeBase> from = openSource(request.source);
    CreatedFile created(request.target);
    OpenOptions writing;
    writing.waitPatiently = true;
    const std::unique_ptr<KnowledgeBase> to = openKnowledgeBase(request.target, writing);
    if (!request.append) {
        if (const qint64 there = to->countAll(); there > 0)
            throw CopyError(u"%1 already holds %2 entries; copy fills only an empty knowledge "
                            "base (--append adds the entries as new ones)"_s.arg(target)
                                .arg(there));
    }

    const qint64 total = from->countAll();
    std::unique_ptr<ProgressBar> bar;
    if (wantsProgressBar(console.errIsTerminal, total))
        bar = std::make_unique<ProgressBar>(console.err, u"Copying"_s, total);
    const auto progress = [&](qint64 added) {
        if (bar)
            bar->advanceTo(added);
    };
    const std::optional<qint16> choice = from->characterChoice();
    const std::unique_ptr<EntryReader> reader = from->readEntries();
    qint64 copied = 0;
    if (request.append) {
        copied = to->addAll(
            [&]() -> std::optional<NewEntry> {
                const std::optional<Entry> entry = reader->next();
                if (!entry)
                    return std::nullopt;
                return NewEntry{entry->word, entry->meaning.value_or(QString()), entry->link};
            },
            progress);
    } else {
        copied = to->fillEmpty([&] { return reader->next(); }, choice, progress);
    }
    if (bar)
        bar->finish();
    created.keep();
    console.out << u"%1 %2 entries from %3 to %4"_s.arg(request.append ? u"Added"_s : u"Copied"_s)
                       .arg(copied)
                       .arg(source, target)
                << Qt::endl;
}

} // namespace donguri::kbtool

#include "knowledge_base.h"

#include "file_knowledge_base.h"
#include "kb_error.h"
#include "kb_location.h"
#include "server_knowledge_base.h"

#include <QFileInfo>

namespace donguri {

namespace {
// The words of a list are read this many at a time.
constexpr size_t WordsPerRead = 256;
} // namespace

KnowledgeBase::KnowledgeBase(const QString &path) : m_path(path) {}

KnowledgeBase::~KnowledgeBase() = default;

std::shared_ptr<const MatchIds> KnowledgeBase::matches(const QString &pattern)
{
    const std::optional<qint64> token = changeToken();
    if (m_cachedMatches && token && m_cachedToken == token && m_cachedPattern == pattern)
        return m_cachedMatches;
    m_cachedMatches.reset();
    auto found = std::make_shared<const MatchIds>(findMatches(pattern));
    m_cachedPattern = pattern;
    m_cachedToken = token;
    m_cachedMatches = found;
    return found;
}

QList<WordRow> KnowledgeBase::listMatches(const QString &pattern)
{
    const std::shared_ptr<const MatchIds> ids = matches(pattern);
    QList<WordRow> rows;
    std::vector<qint32> chunk;
    for (qint64 row = 0; row < ids->size(); row += qint64(WordsPerRead)) {
        chunk.clear();
        for (qint64 i = row; i < std::min(ids->size(), row + qint64(WordsPerRead)); ++i)
            chunk.push_back(ids->at(i));
        rows << wordsOf(chunk);
    }
    return rows;
}

qint64 KnowledgeBase::addAll(const QList<NewEntry> &entries,
                             const std::function<void(qint64 added)> &added)
{
    qsizetype next = 0;
    return addAll(
        [&]() -> std::optional<NewEntry> {
            if (next == entries.size())
                return std::nullopt;
            return entries[next++];
        },
        added);
}

void KnowledgeBase::forEachEntry(const std::function<void(const Entry &)> &visit)
{
    const std::unique_ptr<EntryReader> reader = readEntries();
    while (const std::optional<Entry> entry = reader->next())
        visit(*entry);
}

std::unique_ptr<KnowledgeBase> openKnowledgeBase(const QString &location,
                                                 const OpenOptions &options)
{
    if (isServerLocation(location))
        return std::make_unique<ServerKnowledgeBase>(location, options);
    if (!options.create && !QFileInfo(location).isFile())
        throw KbError(QStringLiteral("no knowledge base at %1").arg(location));
    return std::make_unique<FileKnowledgeBase>(location);
}

int chosenCharacterNumber(KnowledgeBase &kb)
{
    std::optional<qint16> choice;
    try {
        choice = kb.characterChoice();
    } catch (const KbError &) {
    }
    if (choice)
        return *choice;
    // The row could not be read: choose Genie and remember it. If even that write fails the
    // run still goes on with Genie.
    try {
        kb.repairCharacterChoice();
    } catch (const KbError &) {
    }
    return 1;
}

} // namespace donguri

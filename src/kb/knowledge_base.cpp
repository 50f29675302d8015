#include "knowledge_base.h"

#include "file_knowledge_base.h"
#include "kb_error.h"

namespace donguri {

namespace {
// The words of a list are read this many at a time.
constexpr size_t WordsPerRead = 256;
} // namespace

KnowledgeBase::KnowledgeBase(const QString &path) : m_path(path) {}

KnowledgeBase::~KnowledgeBase() = default;

bool KnowledgeBase::holdsMatchesOf(const QString &pattern, const std::optional<qint64> &token) const
{
    return m_cachedMatches && token && m_cachedToken == token && m_cachedPattern == pattern;
}

std::shared_ptr<const MatchIds> KnowledgeBase::matches(const QString &pattern)
{
    const std::optional<qint64> token = changeToken();
    if (holdsMatchesOf(pattern, token))
        return m_cachedMatches;
    m_cachedMatches.reset();
    auto found = std::make_shared<const MatchIds>(findMatches(pattern));
    m_cachedPattern = pattern;
    m_cachedToken = token;
    m_cachedMatches = found;
    return found;
}

qint64 KnowledgeBase::countMatches(const QString &pattern)
{
    if (holdsMatchesOf(pattern, changeToken()))
        return m_cachedMatches->size();
    return countOnly(pattern);
}

void KnowledgeBase::keepMatches(const MatchTicket &ticket, std::shared_ptr<const MatchIds> matches)
{
    const std::optional<qint64> token = changeToken();
    if (!matches || !token || token != ticket.token)
        return;
    m_cachedPattern = ticket.pattern;
    m_cachedToken = token;
    m_cachedMatches = std::move(matches);
}

bool KnowledgeBase::needsLongPass(const QString &pattern, qint64 entries)
{
    return !holdsMatchesOf(pattern, changeToken()) && wordsToScan(pattern) > entries;
}

qint64 KnowledgeBase::wordsToScan(const QString &)
{
    return 0;
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
    forEachEntryUtf8([&](const Utf8Entry &stored) {
        Entry entry{stored.id, QString::fromUtf8(stored.word), std::nullopt,
                    QString::fromUtf8(stored.link)};
        if (stored.meaning)
            entry.meaning = QString::fromUtf8(*stored.meaning);
        visit(entry);
    });
}

std::unique_ptr<KnowledgeBase> openKnowledgeBase(const QString &location)
{
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

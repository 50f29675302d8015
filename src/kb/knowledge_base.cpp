// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "knowledge_base.h"

#include "kb_error.h"
#include "kb_location.h"
#include "kb_log.h"

#include <algorithm>

namespace donguri {

KnowledgeBase::KnowledgeBase(const QString &path) : m_path(path) {}

KnowledgeBase::~KnowledgeBase() = default;

// The token is only asked for when there is something to reuse; otherwise the store reads it
// along with the matches.
bool KnowledgeBase::holdsMatchesOf(const QString &pattern)
{
    return m_cachedMatches && m_cachedToken && m_cachedPattern == pattern
           && changeToken() == m_cachedToken;
}

std::shared_ptr<const MatchIds> KnowledgeBase::matches(const QString &pattern)
{
    if (holdsMatchesOf(pattern))
        return m_cachedMatches;
    m_cachedMatches.reset();
    return keep(pattern, findMatchesWithToken(pattern));
}

std::shared_ptr<const MatchIds> KnowledgeBase::keep(const QString &pattern, TokenedMatches found)
{
    auto ids = std::make_shared<const MatchIds>(std::move(found.ids));
    m_cachedPattern = pattern;
    m_cachedToken = found.token;
    m_cachedMatches = ids;
    return ids;
}

KnowledgeBase::TokenedMatches KnowledgeBase::findMatchesWithToken(const QString &pattern)
{
    const std::optional<qint64> token = changeToken();
    return {findMatches(pattern), token};
}

namespace {

std::vector<qint32> firstOf(const MatchIds &ids, qsizetype count)
{
    std::vector<qint32> first;
    const qint64 end = std::min<qint64>(ids.size(), count);
    first.reserve(size_t(std::max<qint64>(end, 0)));
    for (qint64 row = 0; row < end; ++row)
        first.push_back(ids.at(row));
    return first;
}

} // namespace

// Kept matches still answer; only their first words are read then.
MatchPreview KnowledgeBase::matchPreview(const QString &pattern, qsizetype words)
{
    if (holdsMatchesOf(pattern))
        return {m_cachedMatches, wordsOf(firstOf(*m_cachedMatches, words))};
    m_cachedMatches.reset();
    TokenedPreview found = findPreviewWithToken(pattern, words);
    return {keep(pattern, std::move(found.matches)), std::move(found.firstWords)};
}

KnowledgeBase::TokenedPreview KnowledgeBase::findPreviewWithToken(const QString &pattern,
                                                                  qsizetype words)
{
    TokenedMatches found = findMatchesWithToken(pattern);
    QList<WordRow> firstWords = wordsOf(firstOf(found.ids, words));
    return {std::move(found), std::move(firstWords)};
}

qint64 KnowledgeBase::countMatches(const QString &pattern)
{
    if (holdsMatchesOf(pattern))
        return m_cachedMatches->size();
    return countOnly(pattern);
}

QList<WordRow> KnowledgeBase::listMatches(const QString &pattern)
{
    const std::shared_ptr<const MatchIds> ids = matches(pattern);
    QList<WordRow> rows;
    std::vector<qint32> chunk;
    const qint64 perRead = wordsPerRead();
    for (qint64 row = 0; row < ids->size(); row += perRead) {
        chunk.clear();
        for (qint64 i = row; i < std::min(ids->size(), row + perRead); ++i)
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

QString textBeginning(const QString &text, qsizetype maxChars)
{
    if (text.size() <= maxChars)
        return text;
    // Never half of a character that takes two UTF-16 units.
    const bool splitsPair = maxChars > 0 && text.at(maxChars).isLowSurrogate();
    return text.left(splitsPair ? maxChars - 1 : maxChars);
}

std::optional<Entry> KnowledgeBase::entryBeginning(qint32 id, qsizetype maxChars)
{
    std::optional<Entry> found = entry(id);
    if (found && found->meaning)
        found->meaning = textBeginning(*found->meaning, maxChars);
    return found;
}

void KnowledgeBase::forEachEntry(const std::function<void(const Entry &)> &visit)
{
    const std::unique_ptr<EntryReader> reader = readEntries();
    while (const std::optional<Entry> entry = reader->next())
        visit(*entry);
}

void KnowledgeBase::forEachEntryUtf8(const std::function<void(const Utf8Entry &)> &visit)
{
    forEachEntry([&](const Entry &entry) {
        const QByteArray word = entry.word.toUtf8();
        const QByteArray link = entry.link.toUtf8();
        const QByteArray meaning = entry.meaning.value_or(QString()).toUtf8();
        Utf8Entry stored{entry.id, word, std::nullopt, link};
        if (entry.meaning)
            stored.meaning = meaning;
        visit(stored);
    });
}

int chosenCharacterNumber(KnowledgeBase &kb)
{
    std::optional<qint16> choice;
    try {
        choice = kb.characterChoice();
    } catch (const KbError &error) {
        qCWarning(lcKb) << "cannot read the character choice of" << shownLocation(kb.path()) << ":"
                        << error.message();
    }
    if (choice)
        return *choice;
    // The row could not be read: choose Genie and remember it. If even that write fails the
    // run still goes on with Genie.
    try {
        kb.repairCharacterChoice();
    } catch (const KbError &error) {
        qCWarning(lcKb) << "cannot store the character choice in" << shownLocation(kb.path()) << ":"
                        << error.message();
    }
    return 1;
}

} // namespace donguri

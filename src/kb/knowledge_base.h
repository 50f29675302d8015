// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "match_ids.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace donguri {

struct Entry
{
    qint32 id = 0;
    QString word;
    std::optional<QString> meaning; // absent when the stored meaning is Null
    QString link;                   // empty when the entry has no link
};

// An entry to be added; the store assigns its ID.
struct NewEntry
{
    QString word;
    QString meaning;
    QString link;
};

// An entry's text as the store holds it, UTF-8; the views are valid only during the call that
// hands them out.
struct Utf8Entry
{
    qint32 id = 0;
    QByteArrayView word;
    std::optional<QByteArrayView> meaning; // absent when the stored meaning is Null
    QByteArrayView link;
};

// Reads a knowledge base's entries one at a time, in ID order, without holding them all.
class EntryReader
{
public:
    virtual ~EntryReader() = default;
    // The next entry; nullopt after the last.
    virtual std::optional<Entry> next() = 0;
};

// A server's client connections against those a role without superuser rights may open.
struct ServerConnections
{
    int taken = 0;   // every client's, this handle's own included
    int allowed = 0; // max_connections less the slots kept for superusers
};

struct WordRow
{
    qint32 id = 0;
    QString word; // as stored, trailing blanks included
};

// A pattern's matches with the words of the first of them: what a question needs to say how
// many there are and to show the top of the list at once.
struct MatchPreview
{
    std::shared_ptr<const MatchIds> ids;
    QList<WordRow> firstWords; // the words of ids' first entries, in ID order
};

// The knowledge base: table 言葉 (ID, 言葉, 意味, 照合語, リンク) and table キャラクター (ID,
// キャラクター番号). Every call reads the store afresh and every write is committed before it
// returns, so all handles on one knowledge base agree at all times. Failures throw KbError.
//
// Words compare equal when they are the same after trailing blanks are dropped; in a pattern
// only `*` is special (any run of characters); results come in ID order.
class KnowledgeBase
{
public:
    virtual ~KnowledgeBase();
    KnowledgeBase(const KnowledgeBase &) = delete;
    KnowledgeBase &operator=(const KnowledgeBase &) = delete;

    // The file path or server address it was opened with.
    const QString &path() const { return m_path; }

    // The first entry (lowest ID) whose word equals `word`, trailing blanks aside.
    virtual std::optional<qint32> findWord(const QString &word) = 0;
    virtual std::optional<Entry> entry(qint32 id) = 0;
    // The entry with no more than the first `maxChars` UTF-16 units of its meaning (see
    // textBeginning): enough to present it, without reading a meaning of megabytes whole.
    virtual std::optional<Entry> entryBeginning(qint32 id, qsizetype maxChars);
    virtual qint64 countAll() = 0;

    // The entries whose words match `pattern`. One pass over the words answers both the count
    // and the list of a question: while the knowledge base has not changed, asking again for
    // the same pattern hands back the same result.
    std::shared_ptr<const MatchIds> matches(const QString &pattern);
    // The same with the words of the first `words` matches, read as one call where the store
    // can: a question that lists its matches waits for the server once.
    MatchPreview matchPreview(const QString &pattern, qsizetype words);
    // How many entries match: the kept result's size when there is one, else a count alone.
    qint64 countMatches(const QString &pattern);

    // Drops the result kept for reuse, so the next question reads afresh (benchmarks time that).
    void forgetMatches() { m_cachedMatches.reset(); }
    // The words of these entries, in ID order; an ID no entry has is left out.
    virtual QList<WordRow> wordsOf(const std::vector<qint32> &ids) = 0;
    // Every match with its word: for tests and small knowledge bases, as it holds them all.
    QList<WordRow> listMatches(const QString &pattern);

    virtual qint32 add(const QString &word, const QString &meaning, const QString &link) = 0;
    // Rewrites the entry with that ID; throws when there is none.
    virtual void update(qint32 id, const QString &word, const QString &meaning,
                        const QString &link) = 0;

    // Adds the entries `next` hands out, until it hands out none, in one transaction: when
    // `next` or an insert throws, none is kept. `added` hears how many are in so far, for a
    // progress display. Returns how many were added.
    virtual qint64 addAll(const std::function<std::optional<NewEntry>()> &next,
                          const std::function<void(qint64 added)> &added = {}) = 0;
    qint64 addAll(const QList<NewEntry> &entries,
                  const std::function<void(qint64 added)> &added = {});
    // Hands every entry to `visit` in ID order, read in one pass rather than held in memory.
    void forEachEntry(const std::function<void(const Entry &)> &visit);
    // The same without making strings of the text, for writing it out as it is. By default
    // the entries are read as strings and turned back into UTF-8.
    virtual void forEachEntryUtf8(const std::function<void(const Utf8Entry &)> &visit);
    // Every entry in ID order, one at a time. While the reader lives, nothing else may be asked
    // of this handle.
    virtual std::unique_ptr<EntryReader> readEntries() = 0;

    // Fills a knowledge base that holds no entry with the entries `next` hands out, each under
    // its own ID and in that order, and makes `characterChoice` its character choice (row 1;
    // none when nullopt), all in one transaction. Refuses a knowledge base that holds entries.
    // Later additions get IDs after the highest one copied. Returns how many were added.
    virtual qint64 fillEmpty(const std::function<std::optional<Entry>()> &next,
                             std::optional<qint16> characterChoice,
                             const std::function<void(qint64 added)> &added = {}) = 0;

    // What the store's own consistency check finds wrong; empty when it is sound.
    virtual QStringList integrityProblems() = 0;
    // The space the knowledge base takes, in bytes: the file, or the server's tables.
    virtual qint64 storedBytes() = 0;

    // キャラクター番号 of the row with ID 1, when that row exists and holds a 16-bit integer.
    virtual std::optional<qint16> characterChoice() = 0;
    // Appends a row choosing character 1; the store assigns its ID.
    virtual void repairCharacterChoice() = 0;

    // How many connections the server had when this handle connected to it: how crowded it
    // is, read with the handle's opening statement. Behind a connection pool, the pool's own.
    // Files have nothing to say.
    virtual std::optional<ServerConnections> serverConnectionsWhenOpened() const
    {
        return std::nullopt;
    }

    // Whether what the handle was opened on is no longer there as it left it. A handle that
    // is not must be closed and the knowledge base opened again, so nothing is written into
    // the wrong file.
    enum class Underneath {
        Same,
        Rewritten, // the same file, written by another program or overwritten by another file
        Replaced,  // another file in its place (moved or renamed there), or none: deleted
    };
    virtual Underneath changedUnderneath() { return Underneath::Same; }

    // Stops what this handle is running now, from any thread: the call running fails soon
    // after with KbError instead of reading on. Does nothing when no call runs.
    virtual void interrupt() {}
    // Called on the handle's own thread after a call that may have been interrupted, before
    // the next one: makes sure the interruption cannot reach that next call.
    virtual void settleInterrupt() {}

protected:
    explicit KnowledgeBase(const QString &path);

    // The IDs of every entry whose word matches; the order does not matter.
    virtual MatchIds findMatches(const QString &pattern) = 0;
    // How many entries match, without noting which.
    virtual qint64 countOnly(const QString &pattern) = 0;
    // The matches with the change token they may be reused under: one the store had before it
    // read them (or the very one they were read under), never a later one. A store that can
    // read both at once saves a trip.
    struct TokenedMatches
    {
        MatchIds ids;
        std::optional<qint64> token;
    };
    virtual TokenedMatches findMatchesWithToken(const QString &pattern);
    // The same with the words of the first `words` of them. By default two reads.
    struct TokenedPreview
    {
        TokenedMatches matches;
        QList<WordRow> firstWords;
    };
    virtual TokenedPreview findPreviewWithToken(const QString &pattern, qsizetype words);
    // How many words listMatches() asks wordsOf() for at a time.
    virtual qsizetype wordsPerRead() const { return 256; }
    // A value that changes whenever anything in the knowledge base may have changed since it
    // was last read (through this handle or any other); nullopt when the store cannot tell,
    // and then nothing is reused.
    virtual std::optional<qint64> changeToken() = 0;

private:
    bool holdsMatchesOf(const QString &pattern);
    std::shared_ptr<const MatchIds> keep(const QString &pattern, TokenedMatches found);

    QString m_path;
    QString m_cachedPattern;
    std::optional<qint64> m_cachedToken;
    std::shared_ptr<const MatchIds> m_cachedMatches;
};

// How a knowledge base is opened.
struct OpenOptions
{
    // Creates the tables (and for a file, the file) when there are none. Reading commands do
    // not, so that they never leave an empty knowledge base where there was none.
    bool create = true;
    // The windows give a server about a second and a half to answer, so that a question never
    // holds the bar longer; donguri-kb waits as long as a large copy takes.
    bool waitPatiently = false;
};

// The first `maxChars` UTF-16 units of `text`, one fewer where the cut would halve a character.
QString textBeginning(const QString &text, qsizetype maxChars);

// The character start-up shows: キャラクター番号 of row 1, or 1 when that row cannot be read, in
// which case a row choosing 1 is appended (as far as the store can be written).
int chosenCharacterNumber(KnowledgeBase &kb);

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "knowledge_base.h"

namespace donguri {

namespace pg {
class Connection;
class Params;
class Result;
enum class Format;
} // namespace pg

// A knowledge base in a PostgreSQL database, for several computers at once. Its tables have the
// names and columns of the file's; the match column 照合語 is computed by the server itself, so
// no writer can leave it wrong. Text holding U+0000 is refused, since PostgreSQL cannot store it.
//
// A connection the server closed (a restart, say) is made anew at the next call. A write whose
// commit the server did not confirm fails and is never sent again.
class ServerKnowledgeBase final : public KnowledgeBase
{
public:
    // Connects to the database `uri` names and creates the tables there when there are none (in
    // one transaction). Throws KbError when the server cannot be reached or the database holds
    // tables of these names that are not a knowledge base.
    ServerKnowledgeBase(const QString &uri, const OpenOptions &options = {});
    ~ServerKnowledgeBase() override;

    std::optional<qint32> findWord(const QString &word) override;
    std::optional<Entry> entry(qint32 id) override;
    std::optional<Entry> entryBeginning(qint32 id, qsizetype maxChars) override;
    qint64 countAll() override;
    QList<WordRow> wordsOf(const std::vector<qint32> &ids) override;

    qint32 add(const QString &word, const QString &meaning, const QString &link) override;
    void update(qint32 id, const QString &word, const QString &meaning,
                const QString &link) override;
    qint64 addAll(const std::function<std::optional<NewEntry>()> &next,
                  const std::function<void(qint64 added)> &added = {}) override;
    using KnowledgeBase::addAll;
    std::unique_ptr<EntryReader> readEntries() override;
    qint64 fillEmpty(const std::function<std::optional<Entry>()> &next,
                     std::optional<qint16> characterChoice,
                     const std::function<void(qint64 added)> &added = {}) override;

    QStringList integrityProblems() override;
    qint64 storedBytes() override;
    std::optional<qint16> characterChoice() override;
    void repairCharacterChoice() override;
    void interrupt() override;
    void settleInterrupt() override;
    std::optional<ServerConnections> serverConnectionsWhenOpened() const override
    {
        return m_connectionsWhenOpened;
    }

    // Whether pattern questions can use the trigram index (the database's owner could create
    // pg_trgm when the tables were made); without it they scan the words.
    bool hasTrigramIndex() const { return m_trigramIndex; }

    // The statement and the values of its $1, $2 that a pattern question sends (other than a
    // lone `*`), so that its plan can be looked at with EXPLAIN.
    struct Query
    {
        const char *sql;
        QList<QByteArray> values;
        pg::Params params() const;
    };
    static Query patternQuery(const QString &pattern, bool trigramIndex);

protected:
    MatchIds findMatches(const QString &pattern) override;
    qint64 countOnly(const QString &pattern) override;
    TokenedMatches findMatchesWithToken(const QString &pattern) override;
    TokenedPreview findPreviewWithToken(const QString &pattern, qsizetype words) override;
    std::optional<qint64> changeToken() override;
    // Lists need few trips to the server: each trip costs more than a larger answer.
    qsizetype wordsPerRead() const override { return 5000; }

private:
    // What 言葉_変更回数 is (its relkind): the view of the change count, or its old table.
    static constexpr char CountView = 'v';
    static constexpr char OldCountTable = 'r';
    struct Schema
    {
        bool wordsTable;
        bool characterTable;
        QStringList wordColumns;
        QStringList characterColumns;
        bool oldChangeCount;
        bool trigramIndex;
        bool changeCount;
        bool changeTable;
        bool changeTrigger;
        char countRelation; // '\0' when there is none
        std::optional<ServerConnections> connections;

        // Every part a writer and a reader need (the trigram index is optional).
        bool isComplete() const
        {
            return wordsTable && characterTable && changeTrigger
                   && (countRelation == OldCountTable
                       || (countRelation == CountView && changeTable));
        }
    };
    void prepareTables(bool create);
    Schema readSchema();
    Schema readSchemaAndConnections();
    static Schema schemaFrom(const pg::Result &found, bool withConnections);
    Schema completedSchema(const Schema &found);
    void createMissingParts(const Schema &schema);
    void createTrigramIndex();
    void refuseForeignTables(const Schema &schema);
    void checkTables(const Schema &schema);
    void upgradeChangeCount();
    TokenedMatches everyEntry();
    qint64 estimatedEntries();
    void settleAfterAdding(qint64 added, qint64 storedBefore);
    const char *changeCountColumn() const;
    pg::Connection &open();
    // Runs a statement that only reads, once more on a new connection when the first broke.
    pg::Result read(const char *sql, const pg::Params &params, pg::Format format);
    pg::Result read(const char *sql, const pg::Params &params);
    pg::Result read(const char *sql);

    std::unique_ptr<pg::Connection> m_db;
    bool m_trigramIndex = false;
    bool m_changeCounter = false;
    std::optional<ServerConnections> m_connectionsWhenOpened;
};

} // namespace donguri

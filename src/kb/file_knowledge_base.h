// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "file_system.h"
#include "kb_error.h"
#include "knowledge_base.h"

namespace donguri {

namespace sql {
class Database;
class Statement;
} // namespace sql

class WordPattern;

// A knowledge base in an SQLite file.
class FileKnowledgeBase final : public KnowledgeBase
{
public:
    // Opens the file, creating it with both tables when it does not exist. A file that exists
    // but is not a knowledge base is refused without being touched. On a network file system
    // (as `onNetwork` tells) the file keeps a rollback journal: SQLite's write-ahead log needs
    // memory shared by every program that opens the file, which computers on a network do not
    // share.
    explicit FileKnowledgeBase(const QString &path,
                               const FileSystemProbe &onNetwork = isOnNetworkFileSystem);
    ~FileKnowledgeBase() override;

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
    void forEachEntryUtf8(const std::function<void(const Utf8Entry &)> &visit) override;
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
    Underneath changedUnderneath() override;

protected:
    MatchIds findMatches(const QString &pattern) override;
    qint64 countOnly(const QString &pattern) override;
    std::optional<qint64> changeToken() override;
    // A run of IDs is read as one range however long; other IDs go 64 to a statement anyway.
    qsizetype wordsPerRead() const override { return 8192; }

private:
    void createFile();
    void openExisting();
    enum class LogState { None, OwnToPlay, ForeignLeftBeside };
    LogState prepareLog();
    void openReadOnly(bool withLog);
    // Runs `body` as one write: in a transaction that moves the write stamp on, merged into the
    // file as soon as it is committed, so that the file alone holds it.
    template <typename Body>
    auto write(Body &&body);
    void moveWriteStamp();
    void mergeLog();
    void noteFileAsSeen();
    qint64 addEach(const std::function<std::optional<NewEntry>()> &next,
                   const std::function<void(qint64 added)> &added);
    qint64 fillEach(const std::function<std::optional<Entry>()> &next,
                    std::optional<qint16> characterChoice,
                    const std::function<void(qint64 added)> &added);
    void checkSchema();
    KbCause schemaMismatch(const QStringList &words, const QStringList &characters);
    void configureConnection(bool onNetwork);
    void upgradeSchema();
    bool hasInsertTrigger();
    sql::Statement &statement(std::unique_ptr<sql::Statement> &slot, const char *text);
    sql::Statement &patternStatement(const WordPattern &pattern, bool count);
    MatchIds everyEntry();
    // The first and last ID, when there is any entry.
    std::optional<std::pair<qint64, qint64>> idSpan();
    qint64 singleNumber(std::unique_ptr<sql::Statement> &slot, const char *text);
    std::optional<QByteArray> meaningBytes(qint32 id, qsizetype maxBytes);

    std::unique_ptr<sql::Database> m_db;
    qint64 m_ownWrites = 0; // data_version does not count this handle's own commits
    bool m_writeAheadLog = false;
    bool m_keepLog = false; // the file was overwritten: its log is not to be merged into it
    // The file as this handle last left it: which one it is, and its header.
    std::optional<FileIdentity> m_seenFile;
    QByteArray m_seenHeader;

    std::unique_ptr<sql::Statement> m_findWord, m_entry, m_countAll, m_add, m_update, m_choice,
        m_repair, m_allIds, m_firstId, m_lastId, m_words, m_wordRange, m_allEntries, m_dataVersion,
        m_addWithId, m_entryHead, m_writeStamp;
    // Pattern queries, by shape: [range only, range and match, match alone] × [IDs, count].
    std::unique_ptr<sql::Statement> m_patterns[3][2];
};

} // namespace donguri

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace donguri {

namespace sql {
class Database;
class Statement;
} // namespace sql

class WordPattern;

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

struct WordRow
{
    qint32 id = 0;
    QString word; // as stored, trailing blanks included
};

// The knowledge base file: table 言葉 (ID, 言葉, 意味, 照合語, リンク) and table キャラクター
// (ID, キャラクター番号). Every call reads the file afresh and every write is committed before it
// returns, so all handles on one file agree at all times. Failures throw KbError.
class KnowledgeBase
{
public:
    // Opens the file, creating it with both tables when it does not exist. A file that exists
    // but is not a knowledge base is refused without being touched.
    explicit KnowledgeBase(const QString &path);
    ~KnowledgeBase();
    KnowledgeBase(const KnowledgeBase &) = delete;
    KnowledgeBase &operator=(const KnowledgeBase &) = delete;

    const QString &path() const { return m_path; }

    // The first entry (lowest ID) whose word equals `word`, trailing blanks aside.
    std::optional<qint32> findWord(const QString &word);
    std::optional<Entry> entry(qint32 id);
    qint64 countMatches(const QString &pattern);
    QList<WordRow> listMatches(const QString &pattern);
    qint64 countAll();

    qint32 add(const QString &word, const QString &meaning, const QString &link);
    // Rewrites the entry with that ID; throws when there is none.
    void update(qint32 id, const QString &word, const QString &meaning, const QString &link);

    // Adds every entry in one transaction: when any of them fails, none is kept. `added` hears
    // how many are in so far, for a progress display.
    void addAll(const QList<NewEntry> &entries,
                const std::function<void(qsizetype added)> &added = {});
    // Hands every entry to `visit` in ID order, read in one pass rather than held in memory.
    void forEachEntry(const std::function<void(const Entry &)> &visit);

    // What SQLite's integrity check finds wrong with the file; empty when it is sound.
    QStringList integrityProblems();

    // キャラクター番号 of the row with ID 1, when that row exists and holds a 16-bit integer.
    std::optional<qint16> characterChoice();
    // Appends a row choosing character 1; the store assigns its ID.
    void repairCharacterChoice();

private:
    void createFile();
    void openExisting();
    void checkSchema();
    void configureConnection();
    sql::Statement &statement(std::unique_ptr<sql::Statement> &slot, const char *text);

    QString m_path;
    std::unique_ptr<sql::Database> m_db;
    sql::Statement &patternStatement(const WordPattern &pattern, bool list);

    std::unique_ptr<sql::Statement> m_findWord, m_entry, m_countAll, m_add, m_update, m_choice,
        m_repair, m_listAll, m_allEntries;
    // Pattern queries, by shape: [range only, range and match, match alone] × [count, list].
    std::unique_ptr<sql::Statement> m_patterns[3][2];
};

// The character start-up shows: キャラクター番号 of row 1, or 1 when that row cannot be read, in
// which case a row choosing 1 is appended (as far as the file can be written).
int chosenCharacterNumber(KnowledgeBase &kb);

} // namespace donguri

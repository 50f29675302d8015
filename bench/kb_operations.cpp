// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_operations.h"

#include "kb/knowledge_base.h"
#include "kb/word_pattern.h"
#include "raw_sqlite.h"

#include <memory>
#include <stdexcept>

namespace donguri::bench {

using namespace Qt::StringLiterals;

namespace {

constexpr int SampledWords = 64;

// Results are compared as a digest of the IDs in order; both sides fold them the same way.
quint64 fold(quint64 digest, qint64 id)
{
    return digest * 1'000'003u + quint64(id);
}

std::shared_ptr<RawStatement> prepare(RawConnection &connection, const QByteArray &sql)
{
    return std::make_shared<RawStatement>(connection, sql);
}

quint64 rawCount(RawStatement &query)
{
    query.step();
    const auto count = quint64(query.integer(0));
    query.reset();
    return count;
}

// Reads every row the way a caller listing matches would: its ID and its word.
quint64 rawRows(RawStatement &query)
{
    quint64 digest = 0;
    while (query.step()) {
        digest = fold(digest, query.integer(0));
        (void)query.text(1); // fetching the word is part of listing; SQLite cannot skip it
    }
    query.reset();
    return digest;
}

quint64 programRows(const QList<WordRow> &rows)
{
    quint64 digest = 0;
    for (const WordRow &row : rows)
        digest = fold(digest, row.id);
    return digest;
}

// A question as the program receives it and as the raw query binds it (trimmed, UTF-8).
struct Word
{
    QString asked;
    QByteArray bound;
};

Word wordOf(const QString &asked)
{
    return {asked, withoutTrailingBlanks(asked).toUtf8()};
}

// Words actually stored, spread over the whole file, padded ones included as stored.
QList<Word> storedWords(RawConnection &connection, int entries)
{
    RawStatement query(connection, "SELECT 言葉 FROM 言葉 WHERE ID = ?1");
    QList<Word> words;
    for (int k = 0; k < SampledWords; ++k) {
        query.bindInteger(1, 1 + qint64(k) * entries / SampledWords + k % 7);
        if (query.step())
            words.append(wordOf(QString::fromUtf8(query.text(0))));
        query.reset();
    }
    return words;
}

// The full-width Ｘ is outside every alphabet the generator draws from.
QList<Word> absentWords()
{
    QList<Word> words;
    for (int k = 0; k < SampledWords; ++k)
        words.append(wordOf(u"ないことば%1Ｘ"_s.arg(k)));
    return words;
}

Operation findWord(const QString &name, KnowledgeBase &kb, RawConnection &connection,
                   const QList<Word> &words)
{
    const QByteArray sql = "SELECT ID FROM 言葉 WHERE 照合語 = ?1 ORDER BY ID LIMIT 1";
    auto query = prepare(connection, sql);
    return {name, sql,
            [&kb, words](int i) {
                return quint64(kb.findWord(words[i % words.size()].asked).value_or(0));
            },
            [query, words](int i) {
                query->bindText(1, words[i % words.size()].bound);
                const quint64 id = query->step() ? quint64(query->integer(0)) : 0;
                query->reset();
                return id;
            }};
}

struct PatternCase
{
    const char *kind;
    QString pattern;
};

const QList<PatternCase> &patternCases()
{
    static const QList<PatternCase> cases = {
        {"prefix", u"あい*"_s}, {"numeric", u"10*"_s}, {"suffix", u"*ん"_s},
        {"infix", u"*ぐり*"_s}, {"star", u"*"_s},
    };
    return cases;
}

bool isLoneStar(const QString &pattern)
{
    return pattern == u"*"_s;
}

// The best hand-written form: GLOB on the indexed 照合語 (the generated words hold none of
// GLOB's other wildcards, so it means what the program's `*` means).
QByteArray rawCountSql(const QString &pattern)
{
    if (isLoneStar(pattern))
        return "SELECT count(*) FROM 言葉";
    return "SELECT count(*) FROM 言葉 WHERE 照合語 GLOB '" + pattern.toUtf8() + "'";
}

// Matching inside a subquery lets SQLite walk the small word index instead of the table (whose
// rows carry the meanings) and then read only the matching rows in ID order; on the generated
// files this beats the plain `WHERE 照合語 GLOB … ORDER BY ID`, which scans the table or sorts.
QByteArray rawListSql(const QString &pattern)
{
    if (isLoneStar(pattern))
        return "SELECT ID, 言葉 FROM 言葉 ORDER BY ID";
    return "SELECT ID, 言葉 FROM 言葉 WHERE ID IN (SELECT ID FROM 言葉 WHERE 照合語 GLOB '"
           + pattern.toUtf8() + "') ORDER BY ID";
}

Operation countMatches(const PatternCase &c, KnowledgeBase &kb, RawConnection &connection)
{
    const QByteArray sql = rawCountSql(c.pattern);
    auto query = prepare(connection, sql);
    return {u"count_"_s + QString::fromLatin1(c.kind), sql,
            [&kb, pattern = c.pattern](int) {
                kb.forgetMatches(); // a new question each time, not the last one's answer
                return quint64(kb.countMatches(pattern));
            },
            [query](int) { return rawCount(*query); }};
}

Operation listMatches(const PatternCase &c, KnowledgeBase &kb, RawConnection &connection)
{
    const QByteArray sql = rawListSql(c.pattern);
    auto query = prepare(connection, sql);
    return {u"list_"_s + QString::fromLatin1(c.kind), sql,
            [&kb, pattern = c.pattern](int) {
                kb.forgetMatches();
                return programRows(kb.listMatches(pattern));
            },
            [query](int) { return rawRows(*query); }};
}

Operation countAll(KnowledgeBase &kb, RawConnection &connection)
{
    const QByteArray sql = "SELECT count(*) FROM 言葉";
    auto query = prepare(connection, sql);
    return {u"count_all"_s, sql, [&kb](int) { return quint64(kb.countAll()); },
            [query](int) { return rawCount(*query); }};
}

// About as long as an average generated meaning.
const QString AddedMeaning =
    u"ベンチマークで追加した言葉の意味です。知識ベースに一件ずつ書き込み、その都度コミットします。"
    u"ファイルの同期も含めて測っています。"_s;

QString addedWord(int iteration)
{
    return u"追加語%1"_s.arg(iteration);
}

// The rows added here are deleted again by removeBenchmarkRows().
Operation addEntry(KnowledgeBase &kb, RawConnection &connection)
{
    const QByteArray sql = "INSERT INTO 言葉 (言葉, 意味, リンク) VALUES (?1, ?2, ?3)";
    auto query = prepare(connection, sql);
    return {u"add"_s, sql,
            [&kb](int i) {
                kb.add(addedWord(i), AddedMeaning, QString());
                return quint64(0);
            },
            [query, meaning = AddedMeaning.toUtf8(), link = QByteArray("")](int i) {
                const QByteArray word = addedWord(i).toUtf8();
                query->bindText(1, word);
                query->bindText(2, meaning);
                query->bindText(3, link);
                query->run();
                query->reset();
                return quint64(0);
            }};
}

struct StoredEntry
{
    qint64 id = 0;
    QByteArray word, meaning, link;
};

StoredEntry storedEntry(RawConnection &connection, qint64 id)
{
    RawStatement query(connection, "SELECT 言葉, 意味, リンク FROM 言葉 WHERE ID = ?1");
    query.bindInteger(1, id);
    if (!query.step())
        throw std::runtime_error("entry to correct is missing");
    return {id, query.text(0).toByteArray(), query.text(1).toByteArray(),
            query.text(2).toByteArray()};
}

void writeEntry(RawStatement &update, const StoredEntry &entry, const QByteArray &meaning)
{
    update.bindInteger(1, entry.id);
    update.bindText(2, entry.word);
    update.bindText(3, meaning);
    update.bindText(4, entry.link);
    update.run();
    update.reset();
}

// A correction rewrites a generated entry in the middle of the file, alternating between its own
// meaning and a corrected one. Each side has its own entry; finish() puts both back.
Operation correctEntry(KnowledgeBase &kb, RawConnection &connection, int entries)
{
    const QByteArray sql = "UPDATE 言葉 SET 言葉 = ?2, 意味 = ?3, リンク = ?4 WHERE ID = ?1";
    auto query = prepare(connection, sql);
    const StoredEntry programEntry = storedEntry(connection, entries / 3 + 1);
    const StoredEntry rawEntry = storedEntry(connection, 2 * (entries / 3) + 1);
    const QByteArray correction = QStringLiteral("（訂正）").toUtf8();
    const QString word = QString::fromUtf8(programEntry.word);
    const QString meaning = QString::fromUtf8(programEntry.meaning);
    const QString link = QString::fromUtf8(programEntry.link);
    const QString corrected = meaning + QString::fromUtf8(correction);
    const QByteArray rawCorrected = rawEntry.meaning + correction;
    return {u"update"_s, sql,
            [&kb, id = qint32(programEntry.id), word, meaning, corrected, link](int i) {
                kb.update(id, word, i % 2 == 0 ? corrected : meaning, link);
                return quint64(0);
            },
            [query, rawEntry, rawCorrected](int i) {
                writeEntry(*query, rawEntry, i % 2 == 0 ? rawCorrected : rawEntry.meaning);
                return quint64(0);
            },
            [query, programEntry, rawEntry] {
                writeEntry(*query, programEntry, programEntry.meaning);
                writeEntry(*query, rawEntry, rawEntry.meaning);
            }};
}

} // namespace

QList<Operation> kbOperations(KnowledgeBase &kb, RawConnection &connection, int entries)
{
    QList<Operation> operations;
    operations.append(findWord(u"find_hit"_s, kb, connection, storedWords(connection, entries)));
    operations.append(findWord(u"find_miss"_s, kb, connection, absentWords()));
    for (const PatternCase &c : patternCases()) {
        operations.append(countMatches(c, kb, connection));
        operations.append(listMatches(c, kb, connection));
    }
    operations.append(countAll(kb, connection));
    operations.append(addEntry(kb, connection));
    operations.append(correctEntry(kb, connection, entries));
    return operations;
}

} // namespace donguri::bench

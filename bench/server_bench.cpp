// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri_server_bench: times the knowledge base on a PostgreSQL server against the same
// questions asked of that server through libpq by hand, on the same rows, and the server's
// suffix and infix counts against the SQLite file's. Run it through scripts/bench.
//
// The server is a private cluster kept in <data-dir>/pg (started for the run, stopped after),
// with a database per size filled by copying the generated file kb-<entries>.mdb.
//
// Output, one line per operation and size:
//   BENCH server_<operation> <entries> <median_us> <p99_us> <raw_median_us> <ratio>
//   BENCH file_vs_server_<operation> <entries> <file_median_us> <file_p99_us>
//         <server_median_us> <file_median / server_median>
// Lines starting with # are informational.

#include "bench_options.h"
#include "kb/file_knowledge_base.h"
#include "kb/open_knowledge_base.h"
#include "kb/server_knowledge_base.h"
#include "kb/word_pattern.h"
#include "kb_file.h"
#include "raw_libpq.h"
#include "support/pg_cluster.h"
#include "timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <exception>
#include <functional>

using namespace donguri;
using namespace donguri::bench;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

constexpr int SampledWords = 64;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

quint64 fold(quint64 digest, qint64 id)
{
    return digest * 1'000'003u + quint64(id);
}

struct Operation
{
    QString name;
    QByteArray rawSql; // with $1 for the word where there is one
    Side program;
    Side raw;
    std::function<void()> finish = [] {};
};

// A question's count or list is read once and then reused while nothing changes; every timed
// question must do the work, so it alternates between two spellings of the same pattern
// ("あい*" and "あい**", "*ん" and "**ん" match the same words).
QString spelling(const QString &pattern, int iteration)
{
    if (iteration % 2 == 0)
        return pattern;
    return pattern.startsWith(u'*') ? u"*"_s + pattern : pattern + u"*"_s;
}

// The database of `entries` generated entries, copied from the generated file once and reused.
QString filledDatabase(TestCluster &cluster, const QString &file, int entries)
{
    const QString name = u"bench_%1"_s.arg(entries);
    const QString uri = cluster.uri(name);
    if (cluster.hasDatabase(name)) {
        OpenOptions existing{false, true};
        try {
            if (openKnowledgeBase(uri, existing)->countAll() >= entries)
                return uri;
        } catch (const std::exception &) {
        }
        cluster.exec(u"postgres"_s, u"DROP DATABASE %1"_s.arg(name));
    }
    if (!cluster.exec(u"postgres"_s, u"CREATE DATABASE %1"_s.arg(name)))
        throw std::runtime_error(cluster.problem().toStdString());
    QElapsedTimer timer;
    timer.start();
    FileKnowledgeBase source(file);
    ServerKnowledgeBase target(uri, OpenOptions{true, true});
    const std::unique_ptr<EntryReader> reader = source.readEntries();
    target.fillEmpty([&] { return reader->next(); }, source.characterChoice());
    // What autovacuum does soon after on a real server: statistics, and the visibility map
    // that lets counts be answered from the indexes alone.
    cluster.exec(name, u"VACUUM ANALYZE"_s);
    out() << u"# copied %1 entries to the server in %2 s"_s.arg(entries).arg(timer.elapsed()
                                                                             / 1000.0)
          << Qt::endl;
    return uri;
}

void removeBenchmarkRows(RawServer &raw, int entries)
{
    const QByteArray last = QByteArray::number(entries);
    raw.exec(R"sql(DELETE FROM "言葉" WHERE "ID" > )sql" + last);
    raw.exec(R"sql(SELECT setval(pg_get_serial_sequence('"言葉"', 'ID'), )sql" + last + ")");
}

struct Word
{
    QString asked;
    QByteArray bound;
};

QList<Word> storedWords(RawServer &raw, int entries)
{
    QList<Word> words;
    for (int k = 0; k < SampledWords; ++k) {
        const qint64 id = 1 + qint64(k) * entries / SampledWords + k % 7;
        const RawServer::Result row = raw.exec(R"sql(SELECT "言葉" FROM "言葉" WHERE "ID" = $1)sql",
                                               {QByteArray::number(id)});
        const QString word = QString::fromUtf8(textAt(row, 0, 0));
        words.append({word, withoutTrailingBlanks(word).toUtf8()});
    }
    return words;
}

QList<Word> absentWords()
{
    QList<Word> words;
    for (int k = 0; k < SampledWords; ++k) {
        const QString word = u"ないことば%1Ｘ"_s.arg(k);
        words.append({word, word.toUtf8()});
    }
    return words;
}

Operation findWord(const QString &name, KnowledgeBase &kb, RawServer &raw, const QList<Word> &words)
{
    const QByteArray sql = R"sql(SELECT "ID" FROM "言葉"
        WHERE octet_length("照合語") <= 1000 AND "照合語" = $1 ORDER BY "ID" LIMIT 1)sql";
    return {name, sql,
            [&kb, words](int i) {
                return quint64(kb.findWord(words[i % words.size()].asked).value_or(0));
            },
            [&raw, sql, words](int i) {
                const RawServer::Result rows = raw.exec(sql, {words[i % words.size()].bound});
                return rowsOf(rows) > 0 ? quint64(integerAt(rows, 0, 0)) : 0;
            }};
}

struct PatternCase
{
    const char *kind;
    QString pattern;
    QByteArray where; // the hand-written condition, the pattern written into it
};

// Each condition in the form the schema's indexes answer: the b-trees hold words up to 1000
// bytes, longer words are read through their own index.
const QList<PatternCase> &patternCases()
{
    static const QList<PatternCase> cases = {
        {"prefix", u"あい*"_s,
         R"sql(octet_length("照合語") <= 1000 AND "照合語" LIKE 'あい%'
               UNION ALL SELECT "ID" FROM "言葉" WHERE octet_length("照合語") > 1000
               AND "照合語" LIKE 'あい%')sql"},
        {"numeric", u"10*"_s,
         R"sql(octet_length("照合語") <= 1000 AND "照合語" LIKE '10%'
               UNION ALL SELECT "ID" FROM "言葉" WHERE octet_length("照合語") > 1000
               AND "照合語" LIKE '10%')sql"},
        {"suffix", u"*ん"_s,
         R"sql(octet_length("照合語") <= 1000 AND reverse("照合語") LIKE 'ん%'
               UNION ALL SELECT "ID" FROM "言葉" WHERE octet_length("照合語") > 1000
               AND "照合語" LIKE '%ん')sql"},
        {"infix", u"*ぐり*"_s,
         R"sql("言葉_二重"("照合語") LIKE '%ぐぐりり%' AND "照合語" LIKE '%ぐり%')sql"},
        {"star", u"*"_s, "true"},
    };
    return cases;
}

QByteArray matchingIds(const PatternCase &c)
{
    return R"sql(SELECT "ID" FROM "言葉" WHERE )sql" + c.where;
}

Operation countMatches(const PatternCase &c, KnowledgeBase &kb, RawServer &raw)
{
    const QByteArray sql = "SELECT count(*) FROM (" + matchingIds(c) + ") AS matches";
    return {u"count_"_s + QString::fromLatin1(c.kind), sql,
            [&kb, pattern = c.pattern](int i) {
                return quint64(kb.countMatches(spelling(pattern, i)));
            },
            [&raw, sql](int) { return quint64(raw.number(sql)); }};
}

Operation listMatches(const PatternCase &c, KnowledgeBase &kb, RawServer &raw)
{
    const QByteArray sql = R"sql(SELECT "ID", "言葉" FROM "言葉" WHERE "ID" IN ()sql"
                           + matchingIds(c) + R"sql() ORDER BY "ID")sql";
    return {u"list_"_s + QString::fromLatin1(c.kind), sql,
            [&kb, pattern = c.pattern](int i) {
                quint64 digest = 0;
                for (const WordRow &row : kb.listMatches(spelling(pattern, i)))
                    digest = fold(digest, row.id);
                return digest;
            },
            [&raw, sql](int) {
                const RawServer::Result rows = raw.exec(sql);
                quint64 digest = 0;
                for (int row = 0; row < rowsOf(rows); ++row) {
                    digest = fold(digest, integerAt(rows, row, 0));
                    (void)textAt(rows, row, 1);
                }
                return digest;
            }};
}

const QString AddedMeaning =
    u"ベンチマークで追加した言葉の意味です。知識ベースに一件ずつ書き込み、その都度コミットします。"
    u"サーバーの同期も含めて測っています。"_s;

Operation addEntry(KnowledgeBase &kb, RawServer &raw)
{
    const QByteArray sql =
        R"sql(INSERT INTO "言葉" ("言葉", "意味", "リンク") VALUES ($1, $2, $3) RETURNING "ID")sql";
    return {u"add"_s, sql,
            [&kb](int i) {
                kb.add(u"追加語%1"_s.arg(i), AddedMeaning, QString());
                return quint64(0);
            },
            [&raw, sql](int i) {
                raw.exec(sql, {u"追加語%1"_s.arg(i).toUtf8(), AddedMeaning.toUtf8(), ""});
                return quint64(0);
            }};
}

Operation correctEntry(KnowledgeBase &kb, RawServer &raw, int entries)
{
    const QByteArray sql =
        R"sql(UPDATE "言葉" SET "言葉" = $2, "意味" = $3, "リンク" = $4 WHERE "ID" = $1)sql";
    const qint32 programId = entries / 3 + 1;
    const qint32 rawId = 2 * (entries / 3) + 1;
    const std::optional<Entry> programEntry = kb.entry(programId);
    const std::optional<Entry> rawEntry = kb.entry(rawId);
    const auto write = [&raw, sql](const Entry &entry, const QString &meaning) {
        raw.exec(sql, {QByteArray::number(entry.id), entry.word.toUtf8(), meaning.toUtf8(),
                       entry.link.toUtf8()});
    };
    const QString correction = u"（訂正）"_s;
    return {u"update"_s, sql,
            [&kb, e = *programEntry, correction](int i) {
                const QString meaning = e.meaning.value_or(QString());
                kb.update(e.id, e.word, i % 2 == 0 ? meaning + correction : meaning, e.link);
                return quint64(0);
            },
            [write, e = *rawEntry, correction](int i) {
                const QString meaning = e.meaning.value_or(QString());
                write(e, i % 2 == 0 ? meaning + correction : meaning);
                return quint64(0);
            },
            [write, p = *programEntry, r = *rawEntry] {
                write(p, p.meaning.value_or(QString()));
                write(r, r.meaning.value_or(QString()));
            }};
}

QList<Operation> serverOperations(KnowledgeBase &kb, RawServer &raw, int entries)
{
    QList<Operation> operations;
    operations.append(findWord(u"find_hit"_s, kb, raw, storedWords(raw, entries)));
    operations.append(findWord(u"find_miss"_s, kb, raw, absentWords()));
    for (const PatternCase &c : patternCases()) {
        operations.append(countMatches(c, kb, raw));
        operations.append(listMatches(c, kb, raw));
    }
    operations.append(
        {u"count_all"_s, R"sql(SELECT count(*) FROM "言葉")sql",
         [&kb](int) { return quint64(kb.countAll()); },
         [&raw](int) { return quint64(raw.number(R"sql(SELECT count(*) FROM "言葉")sql")); }});
    operations.append(addEntry(kb, raw));
    operations.append(correctEntry(kb, raw, entries));
    return operations;
}

void report(const QString &name, int entries, const Comparison &c)
{
    out() << u"BENCH %1 %2 %3 %4 %5 %6"_s.arg(name)
                 .arg(entries)
                 .arg(c.program.median, 0, 'f', 1)
                 .arg(c.program.p99, 0, 'f', 1)
                 .arg(c.raw.median, 0, 'f', 1)
                 .arg(c.program.median / c.raw.median, 0, 'f', 2)
          << Qt::endl;
}

// The server's suffix and infix counts against the file's scan of the same rows.
void compareWithTheFile(ServerKnowledgeBase &server, const QString &file, int entries,
                        const Budget &budget)
{
    FileKnowledgeBase kb(file);
    for (const PatternCase &c : patternCases()) {
        if (qstrcmp(c.kind, "suffix") != 0 && qstrcmp(c.kind, "infix") != 0)
            continue;
        const Side onFile = [&kb, pattern = c.pattern](int i) {
            return quint64(kb.countMatches(spelling(pattern, i)));
        };
        const Side onServer = [&server, pattern = c.pattern](int i) {
            return quint64(server.countMatches(spelling(pattern, i)));
        };
        report(u"file_vs_server_count_"_s + QString::fromLatin1(c.kind), entries,
               compare(onFile, onServer, budget));
    }
}

void measureSize(TestCluster &cluster, const BenchOptions &options, int entries)
{
    const QString file = cachedKnowledgeBase(options.dataDirectory, entries);
    const QString uri = filledDatabase(cluster, file, entries);
    RawServer raw(uri);
    removeBenchmarkRows(raw, entries);
    ServerKnowledgeBase kb(uri, OpenOptions{false, true});
    if (!kb.hasTrigramIndex())
        throw std::runtime_error("the benchmark's database has no trigram index");
    QString line = u"# %1 entries, matches:"_s.arg(entries);
    for (const PatternCase &c : patternCases())
        line += u" %1 %2"_s.arg(c.pattern).arg(kb.countMatches(c.pattern));
    out() << line << Qt::endl;

    Budget budget;
    budget.timeNs = options.budgetMs * 1'000'000;
    QString samples = u"# samples:"_s;
    for (const Operation &operation : serverOperations(kb, raw, entries)) {
        if (options.showPlans) {
            QByteArray sql = operation.rawSql;
            sql.replace("$1", "'1'").replace("$2", "'x'").replace("$3", "''").replace("$4", "''");
            out() << u"# plan %1: %2"_s.arg(operation.name, raw.plan(sql)) << Qt::endl;
        }
        const Comparison comparison = compare(operation.program, operation.raw, budget);
        operation.finish();
        report(u"server_"_s + operation.name, entries, comparison);
        samples += u" %1 %2"_s.arg(operation.name).arg(comparison.samples);
    }
    removeBenchmarkRows(raw, entries);
    out() << samples << Qt::endl;
    compareWithTheFile(kb, file, entries, budget);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = parseOptions(app.arguments());
    TestCluster cluster({QDir(options.dataDirectory).absoluteFilePath(u"pg"_s), /*durable=*/true});
    if (!cluster.start()) {
        QTextStream(stderr) << "donguri_server_bench: " << cluster.problem() << Qt::endl;
        return 1;
    }
    out() << "# server: " << cluster.value(u"postgres"_s, u"SELECT version()"_s) << Qt::endl;
    try {
        for (int entries : options.sizes)
            measureSize(cluster, options, entries);
    } catch (const std::exception &error) {
        QTextStream(stderr) << "donguri_server_bench: " << QString::fromUtf8(error.what())
                            << Qt::endl;
        return 1;
    }
    return 0;
}

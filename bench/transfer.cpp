// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri_transfer_bench: donguri-kb export and import of a generated knowledge base, against
// a hand-written SQLite select written to a file and a hand-written insert of the same rows.
// Run it through scripts/bench.
//
// Output per size (each side a process of its own, so that its peak memory is its own):
//   BENCH export <entries> <median_us> <p99_us> <raw_median_us> <ratio>
//   BENCH export_peak_kib <entries> <median_kib> <p99_kib> <raw_median_kib> <ratio>
//   BENCH import <entries> ...
//   BENCH import_peak_kib <entries> ...
// and once, a single row whose meaning is 50 MiB (a whole book pasted into one field), which
// must take time and memory in proportion to the row:
//   BENCH import_50mib_field 1 <median_us> <p99_us> <raw_median_us> <ratio>
//   BENCH import_50mib_field_peak_kib 1 ...

#include "bench_options.h"
#include "kb/file_knowledge_base.h"
#include "kb_file.h"
#include "process_run.h"
#include "raw_sqlite.h"
#include "timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

using namespace donguri;
using namespace donguri::bench;
using namespace Qt::StringLiterals;

namespace {

constexpr int Runs = 5;

// ---- the hand-written sides, each run as a child process ----

// Every entry in ID order, tab-separated. The generated words and meanings hold no tab, quote
// or line end, so no field needs quoting.
int rawExport(const QString &database, const QString &file)
{
    RawConnection connection(database);
    RawStatement query(connection, "SELECT 言葉, 意味, リンク FROM 言葉 ORDER BY ID");
    std::FILE *out = std::fopen(QFile::encodeName(file).constData(), "w");
    if (!out)
        return 1;
    std::fputs("言葉\t意味\tリンク\n", out);
    while (query.step()) {
        for (int column = 0; column < 3; ++column) {
            const QByteArrayView field = query.text(column);
            std::fwrite(field.data(), 1, size_t(field.size()), out);
            std::fputc(column < 2 ? '\t' : '\n', out);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

// The rows of a tab-separated file into a new file with the program's table and index, the
// match column computed in the INSERT, in one transaction.
void removeDatabase(const QString &path)
{
    for (const QString &suffix : {QString(), u"-wal"_s, u"-shm"_s})
        QFile::remove(path + suffix);
}

int rawImport(const QString &file, const QString &database)
{
    removeDatabase(database);
    RawConnection connection(database, true);
    connection.exec(R"sql(
        CREATE TABLE 言葉 (ID INTEGER PRIMARY KEY AUTOINCREMENT, 言葉 TEXT, 意味 TEXT,
                          照合語 TEXT, リンク TEXT);
        CREATE INDEX 言葉_照合語 ON 言葉 (照合語);
        PRAGMA journal_mode = WAL;
        PRAGMA synchronous = FULL;
        BEGIN IMMEDIATE;)sql");
    RawStatement insert(connection, "INSERT INTO 言葉 (言葉, 意味, 照合語, リンク)"
                                    " VALUES (?1, ?2, coalesce(rtrim(?1, ' '), ''), ?3)");
    std::FILE *in = std::fopen(QFile::encodeName(file).constData(), "r");
    if (!in)
        return 1;
    char *line = nullptr;
    size_t capacity = 0;
    getline(&line, &capacity, in); // the header
    for (ssize_t length; (length = getline(&line, &capacity, in)) > 0;) {
        const QByteArray row = QByteArray::fromRawData(line, length - 1);
        const qsizetype first = row.indexOf('\t');
        const qsizetype second = row.indexOf('\t', first + 1);
        const QByteArray word = row.left(first), meaning = row.mid(first + 1, second - first - 1),
                         link = row.mid(second + 1);
        insert.bindText(1, word);
        insert.bindText(2, meaning);
        insert.bindText(3, link);
        insert.run();
        insert.reset();
    }
    std::free(line);
    std::fclose(in);
    connection.exec("COMMIT");
    return 0;
}

// ---- parent ----

// Each side starts with nothing of the other's left to write back to the disk, which would
// otherwise slow whichever ran next.
ProcessRun settledRun(const QString &program, const QStringList &arguments)
{
    ::sync();
    return runProcess(program, arguments);
}

// The program's runs of one operation beside the raw SQLite runs of the same rows.
struct Sides
{
    void record(const ProcessRun &program, const ProcessRun &raw)
    {
        ns << program.ns;
        peakKib << program.peakRssKib;
        rawNs << raw.ns;
        rawPeakKib << raw.peakRssKib;
    }

    QList<qint64> ns, peakKib, rawNs, rawPeakKib;
};

void report(const char *operation, int entries, const Sides &sides)
{
    const QString name = QString::fromLatin1(operation);
    printBench(name, entries, summarize(sides.ns), summarize(sides.rawNs));
    printBench(name + u"_peak_kib"_s, entries, summarizeIn(sides.peakKib, 1),
               summarizeIn(sides.rawPeakKib, 1));
}

void measureSize(const BenchOptions &options, const QString &donguriKb, int entries)
{
    const QString database = cachedKnowledgeBase(options.dataDirectory, entries);
    const QDir data(options.dataDirectory);
    const QString exported = data.absoluteFilePath(u"transfer-%1.tsv"_s.arg(entries));
    const QString rawExported = data.absoluteFilePath(u"transfer-%1-raw.tsv"_s.arg(entries));
    const QString imported = data.absoluteFilePath(u"transfer-%1.mdb"_s.arg(entries));
    const QString rawImported = data.absoluteFilePath(u"transfer-%1-raw.mdb"_s.arg(entries));
    const QString self = QCoreApplication::applicationFilePath();

    Sides exports, imports;
    for (int run = 0; run < Runs; ++run) {
        const ProcessRun program =
            settledRun(donguriKb, {u"export"_s, exported, u"--db"_s, database});
        const ProcessRun raw = settledRun(self, {u"--raw-export"_s, database, rawExported});
        exports.record(program, raw);
    }
    for (int run = 0; run < Runs; ++run) {
        removeDatabase(imported);
        const ProcessRun program =
            settledRun(donguriKb, {u"import"_s, exported, u"--db"_s, imported});
        const ProcessRun raw = settledRun(self, {u"--raw-import"_s, rawExported, rawImported});
        imports.record(program, raw);
    }
    if (FileKnowledgeBase(imported).countAll() != entries)
        throw std::runtime_error("the import did not add every entry");
    report("export", entries, exports);
    report("import", entries, imports);
    for (const QString &file : {exported, rawExported})
        QFile::remove(file);
    removeDatabase(imported);
    removeDatabase(rawImported);
}

// A file of one row whose meaning is 50 MiB, with a quote pair and a line end inside it so that
// the field is quoted (50 MiB and 4 characters in all), then a short row. The raw side reads lines,
// so it gets the same text with the quoting left out.
constexpr qsizetype HugeFieldBytes = 50 * 1024 * 1024;

void writeHugeFieldFiles(const QString &file, const QString &rawFile)
{
    const QByteArray half(HugeFieldBytes / 2, 'x');
    QFile quoted(file);
    QFile plain(rawFile);
    if (!quoted.open(QIODevice::WriteOnly) || !plain.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the huge-field files");
    quoted.write("言葉\t意味\tリンク\n大きな言葉\t\"");
    quoted.write(half);
    quoted.write("\"\"本\"\"\n");
    quoted.write(half);
    quoted.write("\"\t\n小さな言葉\t小\t\n");
    plain.write("言葉\t意味\tリンク\n大きな言葉\t");
    plain.write(half);
    plain.write("\"本\"");
    plain.write(half);
    plain.write("\t\n小さな言葉\t小\t\n");
}

void measureHugeField(const BenchOptions &options, const QString &donguriKb)
{
    const QDir data(options.dataDirectory);
    const QString file = data.absoluteFilePath(u"transfer-huge-field.tsv"_s);
    const QString rawFile = data.absoluteFilePath(u"transfer-huge-field-raw.tsv"_s);
    const QString imported = data.absoluteFilePath(u"transfer-huge-field.mdb"_s);
    const QString rawImported = data.absoluteFilePath(u"transfer-huge-field-raw.mdb"_s);
    writeHugeFieldFiles(file, rawFile);
    Sides imports;
    for (int run = 0; run < Runs; ++run) {
        removeDatabase(imported);
        const ProcessRun program = settledRun(donguriKb, {u"import"_s, file, u"--db"_s, imported});
        const ProcessRun raw = settledRun(QCoreApplication::applicationFilePath(),
                                          {u"--raw-import"_s, rawFile, rawImported});
        imports.record(program, raw);
    }
    const std::optional<Entry> big = FileKnowledgeBase(imported).entry(1);
    if (!big || !big->meaning || big->meaning->size() != HugeFieldBytes + 4)
        throw std::runtime_error("the huge field was not imported whole");
    report("import_50mib_field", 1, imports);
    for (const QString &path : {file, rawFile})
        QFile::remove(path);
    removeDatabase(imported);
    removeDatabase(rawImported);
}

int runParent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = parseOptions(app.arguments());
    const QString donguriKb = QCoreApplication::applicationDirPath() + u"/donguri-kb"_s;
    try {
        for (int entries : options.sizes)
            measureSize(options, donguriKb, entries);
        measureHugeField(options, donguriKb);
    } catch (const std::exception &error) {
        QTextStream(stderr) << "donguri_transfer_bench: " << QString::fromUtf8(error.what())
                            << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--raw-export") == 0)
        return rawExport(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 4 && qstrcmp(argv[1], "--raw-import") == 0)
        return rawImport(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    return runParent(argc, argv);
}

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_command.h"

#include "delimited_text.h"
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/knowledge_base.h"
#include "kb_copy.h"
#include "progress_bar.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <memory>
#include <stdexcept>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

constexpr int FieldsPerRow = 3;
// Rows are written out in pieces of about this size.
constexpr qsizetype ExportBufferBytes = 64 * 1024;
// A command line tool may wait for a server as long as a large file takes.
constexpr OpenOptions Patiently{true, true};

QString usage()
{
    return uR"(Usage: donguri-kb COMMAND [--db PATH|URI] [--format tsv|csv]
       donguri-kb copy SOURCE TARGET [--append]

Commands:
  export FILE   write every entry to FILE (.tsv or .csv), in ID order
  import FILE   add every row of FILE as a new entry; a file with any bad row adds nothing
  stats         entry count, size and an integrity check
  copy SOURCE TARGET
                copy every entry (IDs and order kept) and the character choice into TARGET,
                which must hold no entries; SOURCE and TARGET are files or server URIs

Options:
  --db PATH|URI      the knowledge base to use (default: the one donguri.ini names): a file,
                     or a PostgreSQL URI such as postgresql://kb.example.lan/donguri
  --format tsv|csv   the file format, when the file name does not end in .tsv or .csv
  --append           copy: add the entries to TARGET as new entries instead
  -h, --help         show this text
)"_s;
}

// A file or database the command cannot work with, said in a sentence for the user.
class CommandError : public std::runtime_error
{
public:
    explicit CommandError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

QStringList headerFields()
{
    return {u"言葉"_s, u"意味"_s, u"リンク"_s};
}

void checkHeader(const std::optional<TextRow> &header)
{
    if (!header || header->fields != headerFields())
        throw TextError(1,
                        u"the first row must be the header %1"_s.arg(headerFields().join(u", ")));
}

NewEntry entryFrom(const TextRow &row)
{
    if (row.fields.size() != FieldsPerRow)
        throw TextError(row.line,
                        u"%1 fields where %2 belong"_s.arg(row.fields.size()).arg(FieldsPerRow));
    return NewEntry{row.fields[0], row.fields[1], row.fields[2]};
}

// How many rows follow the header, counted without decoding them: a row ends at a line end
// outside quotes. Only for drawing a progress bar.
qint64 rowsAfterHeader(const QString &file)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return 0;
    qint64 lineEnds = 0;
    bool quoted = false;
    char last = '\n';
    while (!input.atEnd()) {
        const QByteArray chunk = input.read(1 << 20);
        if (chunk.isEmpty())
            break;
        for (const char c : chunk) {
            if (c == '"')
                quoted = !quoted;
            else if (c == '\n' && !quoted)
                ++lineEnds;
        }
        last = chunk.back();
    }
    const qint64 rows = lineEnds + (last == '\n' ? 0 : 1);
    return std::max<qint64>(0, rows - 1);
}

// Removes a knowledge base file this import created when nothing was kept in it, so a failed
// import into a new file leaves no file behind.
void removeIfLeftEmpty(const QString &database)
{
    try {
        if (openKnowledgeBase(database)->countAll() != 0)
            return;
    } catch (const KbError &) {
        return;
    }
    for (const QString &suffix : {QString(), u"-wal"_s, u"-shm"_s, u"-journal"_s})
        QFile::remove(database + suffix);
}

QString sizeText(qint64 bytes)
{
    return u"%1 bytes (%2)"_s.arg(bytes).arg(QLocale::c().formattedDataSize(bytes));
}

class KbCommand
{
public:
    KbCommand(const Console &console, const QString &database)
        : m_console(console), m_database(database), m_shown(displayedLocation(database))
    {
    }

    void exportTo(const QString &file, TextFormat format)
    {
        const std::unique_ptr<KnowledgeBase> kb = openExisting();
        QSaveFile output(file); // a failed export leaves no half-written file behind
        if (!output.open(QIODevice::WriteOnly))
            throw CommandError(u"cannot write %1: %2"_s.arg(file, output.errorString()));
        output.write(encodeRow(headerFields(), format));
        const std::unique_ptr<ProgressBar> bar = progressBar(u"Exporting"_s, kb->countAll());
        qint64 written = 0;
        QByteArray rows;
        rows.reserve(ExportBufferBytes + 4096);
        kb->forEachEntryUtf8([&](const Utf8Entry &entry) {
            // The text exactly as stored: the program only ever stores UTF-8, and what another
            // tool may have put in is kept as it is rather than changed on the way out (an
            // import then names the line it cannot read).
            appendRow(rows, {entry.word, entry.meaning.value_or(QByteArrayView()), entry.link},
                      format);
            if (rows.size() >= ExportBufferBytes) {
                output.write(rows);
                rows.resize(0); // keeps the buffer
            }
            ++written;
            if (bar)
                bar->advanceTo(written);
        });
        output.write(rows);
        if (bar)
            bar->finish();
        if (!output.commit())
            throw CommandError(u"cannot write %1: %2"_s.arg(file, output.errorString()));
        m_console.out << u"Wrote %1 entries from %2 to %3"_s.arg(written).arg(m_shown, file)
                      << Qt::endl;
    }

    // Reads, checks and adds the rows one at a time, in one transaction: the first bad row
    // undoes the whole import, and the file is never held in memory.
    void importFrom(const QString &file, TextFormat format)
    {
        QFile input(file);
        if (!input.open(QIODevice::ReadOnly))
            throw CommandError(u"cannot read %1: %2"_s.arg(file, input.errorString()));
        RowReader rows(input, format);
        checkHeader(rows.next());
        // A bar needs the number of rows, which costs a quick pass over the file first.
        const qint64 total = m_console.errIsTerminal ? rowsAfterHeader(file) : 0;
        const bool created = !QFileInfo::exists(m_database);
        qint64 added = 0;
        try {
            const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(m_database, Patiently);
            const std::unique_ptr<ProgressBar> bar = progressBar(u"Importing"_s, total);
            added = kb->addAll(
                [&]() -> std::optional<NewEntry> {
                    const std::optional<TextRow> row = rows.next();
                    return row ? std::optional(entryFrom(*row)) : std::nullopt;
                },
                [&](qint64 count) {
                    if (bar)
                        bar->advanceTo(count);
                });
            if (bar)
                bar->finish();
        } catch (...) {
            if (created && QFileInfo::exists(m_database))
                removeIfLeftEmpty(m_database);
            throw;
        }
        m_console.out << u"Added %1 entries from %2 to %3"_s.arg(added).arg(file, m_shown)
                      << Qt::endl;
    }

    // False when the integrity check finds problems.
    bool printStats()
    {
        const std::unique_ptr<KnowledgeBase> kb = openExisting();
        const QStringList problems = kb->integrityProblems();
        QTextStream &out = m_console.out;
        out << u"Database: "_s << m_shown << u'\n';
        out << u"Entries: "_s << kb->countAll() << u'\n';
        out << u"Size: "_s << sizeText(kb->storedBytes()) << u'\n';
        if (problems.isEmpty()) {
            out << u"Integrity: ok"_s << Qt::endl;
            return true;
        }
        out << u"Integrity: %1 problem(s)"_s.arg(problems.size()) << u'\n';
        for (const QString &problem : problems)
            out << u"  "_s << problem << u'\n';
        out.flush();
        return false;
    }

private:
    // Reading commands do not create an empty knowledge base where none was.
    std::unique_ptr<KnowledgeBase> openExisting() const
    {
        OpenOptions existing = Patiently;
        existing.create = false;
        return openKnowledgeBase(m_database, existing);
    }

    std::unique_ptr<ProgressBar> progressBar(const QString &label, qint64 rows) const
    {
        if (!wantsProgressBar(m_console.errIsTerminal, rows))
            return nullptr;
        return std::make_unique<ProgressBar>(m_console.err, label, rows);
    }

    const Console &m_console;
    QString m_database;
    QString m_shown; // the location as it may be printed: without a password
};

enum class Command { Export, Import, Stats, Copy };

// What the command line asks for, checked before any file is touched.
struct Request
{
    Command command = Command::Stats;
    QString file;
    TextFormat format = TextFormat::Tsv;
    QString database;
    CopyRequest copy;
};

// A command line that does not make sense; answered with a pointer to --help.
class UsageProblem : public CommandError
{
    using CommandError::CommandError;
};

struct Options
{
    QCommandLineOption database{u"db"_s, u"The knowledge base to use."_s, u"PATH"_s};
    QCommandLineOption format{u"format"_s, u"The file format."_s, u"tsv|csv"_s};
    QCommandLineOption append{u"append"_s, u"copy: add as new entries."_s};
    QCommandLineOption help{{u"h"_s, u"help"_s}, u"Show the usage."_s};
};

Command commandNamed(const QString &name)
{
    if (name == u"export")
        return Command::Export;
    if (name == u"import")
        return Command::Import;
    if (name == u"stats")
        return Command::Stats;
    if (name == u"copy")
        return Command::Copy;
    throw UsageProblem(u"unknown command %1"_s.arg(name));
}

TextFormat formatFor(const QCommandLineParser &parser, const Options &options, const QString &file)
{
    if (parser.isSet(options.format)) {
        const QString name = parser.value(options.format);
        if (const std::optional<TextFormat> named = formatNamed(name))
            return *named;
        throw UsageProblem(u"unknown format %1; use tsv or csv"_s.arg(name));
    }
    if (const std::optional<TextFormat> byName = formatOfFile(file))
        return *byName;
    throw UsageProblem(u"cannot tell the format of %1; use --format tsv|csv"_s.arg(file));
}

// The request, or nothing when only the usage text is wanted.
std::optional<Request> requestFrom(const QStringList &arguments, const DatabasePlaces &places)
{
    QCommandLineParser parser;
    const Options options;
    parser.addOptions({options.database, options.format, options.append, options.help});
    if (!parser.parse(arguments))
        throw UsageProblem(parser.errorText());
    if (parser.isSet(options.help))
        return std::nullopt;
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        throw UsageProblem(u"which command? export, import, stats or copy"_s);

    Request request;
    request.command = commandNamed(words.first());
    if (request.command == Command::Copy) {
        if (words.size() != 3 || parser.isSet(options.database) || parser.isSet(options.format))
            throw UsageProblem(u"copy takes SOURCE and TARGET, and no --db or --format"_s);
        request.copy = {words[1], words[2], parser.isSet(options.append)};
        return request;
    }
    if (parser.isSet(options.append))
        throw UsageProblem(u"--append belongs to copy"_s);
    const bool takesFile = request.command != Command::Stats;
    if (words.size() != (takesFile ? 2 : 1))
        throw UsageProblem(
            u"%1 takes %2"_s.arg(words.first(), takesFile ? u"one FILE"_s : u"no FILE"_s));
    if (takesFile) {
        request.file = words[1];
        request.format = formatFor(parser, options, request.file);
    }
    request.database = parser.isSet(options.database)
                           ? parser.value(options.database)
                           : chooseDatabase(places, MissingSettings::LeaveAlone).databasePath;
    return request;
}

int failure(const Console &console, const QString &problem)
{
    console.err << u"donguri-kb: "_s << problem << Qt::endl;
    return Failure;
}

int perform(const Request &request, const Console &console)
{
    KbCommand kb(console, request.database);
    try {
        switch (request.command) {
        case Command::Export:
            kb.exportTo(request.file, request.format);
            return Success;
        case Command::Import:
            kb.importFrom(request.file, request.format);
            return Success;
        case Command::Stats:
            return kb.printStats() ? Success : Failure;
        case Command::Copy:
            copyKnowledgeBase(request.copy, console);
            return Success;
        }
    } catch (const TextError &error) {
        return failure(console, u"%1, line %2: %3; nothing was imported"_s.arg(request.file)
                                    .arg(error.line())
                                    .arg(error.reason()));
    } catch (const CommandError &error) {
        return failure(console, error.message());
    } catch (const CopyError &error) {
        return failure(console, error.message());
    } catch (const KbError &error) {
        return failure(console, error.message());
    }
    return Failure;
}

} // namespace

int runKbCommand(const QStringList &arguments, const DatabasePlaces &places, const Console &console)
{
    if (arguments.size() <= 1) {
        console.err << usage() << Qt::flush;
        return UsageError;
    }
    try {
        if (const std::optional<Request> request = requestFrom(arguments, places))
            return perform(*request, console);
        console.out << usage() << Qt::flush;
        return Success;
    } catch (const UsageProblem &problem) {
        console.err << u"donguri-kb: "_s << problem.message() << u'\n'
                    << u"Run donguri-kb --help for the usage."_s << Qt::endl;
        return UsageError;
    }
}

} // namespace donguri::kbtool

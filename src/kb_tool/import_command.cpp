// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "import_command.h"

#include "kb/file_system.h"
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/open_knowledge_base.h"
#include "kb_tool_log.h"
#include "knowledge_base_place.h"
#include "progress_bar.h"

#include <QFile>
#include <QFileInfo>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

// The columns a header row names: 言葉, 意味, リンク, or 言葉 and 意味 alone (a glossary of two
// columns, every link empty). None when the row is not a header.
std::optional<qsizetype> columnsNamedBy(const TextRow &row)
{
    static const QStringList header = headerFields();
    const QStringList &names = row.fields;
    if (names.size() < 2 || names.size() > header.size())
        return std::nullopt;
    // A file joined onto another keeps its byte-order mark, which then starts its header.
    QStringView first(names.constFirst());
    if (first.startsWith(u'\uFEFF'))
        first = first.sliced(1);
    if (first != header[0] || names.mid(1) != header.mid(1, names.size() - 1))
        return std::nullopt;
    return names.size();
}

qsizetype columnsOfHeader(const std::optional<TextRow> &header, TextEncoding encoding)
{
    if (header) {
        if (const std::optional<qsizetype> columns = columnsNamedBy(*header))
            return *columns;
    }
    const QStringList names = headerFields();
    QString reason = u"the first row must be the header %1, or %2 alone"_s.arg(
        names.join(u", "), names.first(2).join(u" and "));
    // ASCII in UTF-16 is every other byte zero, which is UTF-8 too.
    if (header && header->fields.join(QString()).contains(QChar(0)))
        reason += u"; it looks like UTF-16 without a byte-order mark: give --encoding utf-16"_s;
    else if (encoding != TextEncoding::Utf8)
        reason +=
            u" (the file was read as %1; if it is in another encoding, save it as UTF-8)"_s.arg(
                encodingName(encoding));
    throw TextError(header ? header->line : 1, reason);
}

// The entries a file's rows hold, after its header. A header again further on (two files
// joined into one) is passed over, noting its line, and the rows after it are read by it.
class EntriesOfRows
{
public:
    explicit EntriesOfRows(RowReader &rows) : m_rows(rows) {}

    void readHeader()
    {
        const std::optional<TextRow> header = m_rows.next(); // tells the encoding, too
        m_columns = columnsOfHeader(header, m_rows.encoding());
    }

    std::optional<NewEntry> next()
    {
        for (;;) {
            std::optional<TextRow> row = m_rows.next();
            if (!row)
                return std::nullopt;
            if (const std::optional<qsizetype> columns = columnsNamedBy(*row)) {
                m_columns = *columns;
                m_headerLines << row->line;
                continue;
            }
            return entryFrom(*std::move(row));
        }
    }

    // The lines of the headers passed over.
    const QList<qsizetype> &headerLines() const { return m_headerLines; }

private:
    NewEntry entryFrom(TextRow &&row) const
    {
        QStringList &fields = row.fields;
        if (fields.size() != m_columns)
            throw TextError(row.line,
                            u"%1 fields where %2 belong"_s.arg(fields.size()).arg(m_columns));
        return NewEntry{std::move(fields[0]), std::move(fields[1]),
                        m_columns > 2 ? std::move(fields[2]) : QString()};
    }

    RowReader &m_rows;
    qsizetype m_columns = 0;
    QList<qsizetype> m_headerLines;
};

// Says which header rows were passed over; a few are named, the rest counted.
void tellHeadersPassedOver(const QList<qsizetype> &lines, const QString &file, QTextStream &err)
{
    constexpr qsizetype Named = 10;
    for (const qsizetype line : lines.first(std::min(lines.size(), Named)))
        err << u"donguri-kb: warning: %1, line %2: the header row again (two files joined?); "
               "passed over"_s.arg(cutLongName(file))
                   .arg(line)
            << u'\n';
    if (lines.size() > Named)
        err << u"donguri-kb: warning: %1: %2 more header rows passed over"_s.arg(cutLongName(file))
                   .arg(lines.size() - Named)
            << u'\n';
    err.flush();
}

// How many rows follow the header, counted without decoding them: a row ends at a line end
// outside quotes (a CP932 character never holds the byte of either; UTF-16 is counted as
// UTF-8). Only for drawing a progress bar, and only of a plain file: a pipe opened a second time
// would give this count the rows the import is to read, or wait for a writer that has gone, and
// a device such as /dev/zero never ends.
qint64 rowsAfterHeader(const QString &file, TextEncoding encoding)
{
    QFile input(file);
    if (!QFileInfo(file).isFile() || !input.open(QIODevice::ReadOnly))
        return 0;
    const std::unique_ptr<ToUtf8> toUtf8 =
        encoding == TextEncoding::Utf16 ? ToUtf8::from(encoding) : nullptr;
    qint64 lineEnds = 0;
    bool quoted = false;
    char last = '\n';
    QByteArray text;
    while (!input.atEnd()) {
        const QByteArray chunk = input.read(1 << 20);
        if (chunk.isEmpty())
            break;
        text.resize(0);
        if (toUtf8)
            toUtf8->append(chunk, text);
        for (const char c : toUtf8 ? text : chunk) {
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
    } catch (const KbError &error) {
        qCWarning(lcKbTool) << "left" << shownLocation(database)
                            << "as it is after a failed import:" << error.message();
        return;
    }
    removeKnowledgeBaseFile(database);
}

// Whether the failure may have left the entries stored after all: a server that never
// confirmed the commit.
bool mayBeStored(const QString &message)
{
    return message.contains(u"may or may not"_s);
}

qint64 addRows(const QString &location, EntriesOfRows &entries, qint64 total,
               const Console &console)
{
    const bool created = !isServerLocation(location) && !QFileInfo::exists(location);
    try {
        const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(location, Patiently);
        std::unique_ptr<ProgressBar> bar;
        if (wantsProgressBar(console.errIsTerminal, total))
            bar = std::make_unique<ProgressBar>(console.err, u"Importing"_s, total);
        const qint64 added = kb->addAll([&] { return entries.next(); },
                                        [&](qint64 count) {
                                            if (bar)
                                                bar->advanceTo(count);
                                        });
        if (bar)
            bar->finish();
        return added;
    } catch (...) {
        if (created && QFileInfo::exists(location))
            removeIfLeftEmpty(location);
        throw;
    }
}

} // namespace

ImportCommand::ImportCommand()
    : DatabaseCommand(u"import"_s, {u"FILE"_s}, {formatOption(), encodingOption()})
{
}

int ImportCommand::runOn(const QString &location, const QCommandLineParser &parser,
                         const QStringList &words, const CommandContext &context)
{
    const QString &file = words.first();
    const TextFormat format = formatFor(parser, file);
    const std::optional<TextEncoding> encoding = encodingFor(parser);
    if (!isServerLocation(location)) {
        // Asked before anything is opened: SQLite would leave its log files in a folder it
        // may write even when the knowledge base itself is read-only.
        if (const QString why = readOnlyReason(location); !why.isEmpty())
            throw CommandError(
                u"cannot add to %1: %2; nothing was added"_s.arg(shownLocation(location), why));
    }
    if (QFileInfo(file).isDir())
        throw CommandError(
            u"%1 is a folder: give the path of a file to import"_s.arg(cutLongName(file)));
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw CommandError(u"cannot read %1: %2"_s.arg(cutLongName(file), input.errorString()));
    RowReader rows(input, format, encoding, context.limits.maxRowBytes);
    EntriesOfRows entries(rows);
    try {
        entries.readHeader();
        // A bar needs the number of rows, which costs a quick pass over the file first.
        const qint64 total =
            context.console.errIsTerminal ? rowsAfterHeader(file, rows.encoding()) : 0;
        const qint64 added = addRows(location, entries, total, context.console);
        tellHeadersPassedOver(entries.headerLines(), file, context.console.err);
        context.console.out << u"Added %1 entries from %2 to %3, read as %4"_s.arg(added).arg(
            cutLongName(file), shownLocation(location), encodingName(rows.encoding()))
                            << Qt::endl;
        return Success;
    } catch (const TextError &error) {
        tellHeadersPassedOver(entries.headerLines(), file, context.console.err);
        throw CommandError(u"%1, line %2: %3; nothing was added to %4"_s.arg(cutLongName(file))
                               .arg(error.line())
                               .arg(error.reason(), shownLocation(location)));
    } catch (const KbError &error) {
        tellHeadersPassedOver(entries.headerLines(), file, context.console.err);
        const QString message = aboutFailure(location, error.message(), error.cause());
        throw CommandError(mayBeStored(message) ? message : message + u"; nothing was added"_s);
    }
}

} // namespace donguri::kbtool

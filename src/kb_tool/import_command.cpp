// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "import_command.h"

#include "kb/file_system.h"
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/open_knowledge_base.h"
#include "kb_tool_log.h"
#include "progress_bar.h"

#include <QFile>
#include <QFileInfo>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

constexpr int FieldsPerRow = 3;

void checkHeader(const std::optional<TextRow> &header)
{
    if (!header || header->fields != headerFields())
        throw TextError(1,
                        u"the first row must be the header %1"_s.arg(headerFields().join(u", ")));
}

NewEntry entryFrom(TextRow &&row)
{
    if (row.fields.size() != FieldsPerRow)
        throw TextError(row.line,
                        u"%1 fields where %2 belong"_s.arg(row.fields.size()).arg(FieldsPerRow));
    return NewEntry{std::move(row.fields[0]), std::move(row.fields[1]), std::move(row.fields[2])};
}

// How many rows follow the header, counted without decoding them: a row ends at a line end
// outside quotes. Only for drawing a progress bar, and only of a plain file: a pipe opened a
// second time would give this count the rows the import is to read, or wait for a writer that
// has gone, and a device such as /dev/zero never ends.
qint64 rowsAfterHeader(const QString &file)
{
    QFile input(file);
    if (!QFileInfo(file).isFile() || !input.open(QIODevice::ReadOnly))
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

} // namespace

ImportCommand::ImportCommand() : DatabaseCommand(u"import"_s, {u"FILE"_s}, {formatOption()}) {}

int ImportCommand::runOn(const QString &location, const QCommandLineParser &parser,
                         const QStringList &words, const CommandContext &context)
{
    const QString &file = words.first();
    const TextFormat format = formatFor(parser, file);
    if (!isServerLocation(location)) {
        // Asked before anything is opened: SQLite would leave its log files in a folder it
        // may write even when the knowledge base itself is read-only.
        if (const QString why = readOnlyReason(location); !why.isEmpty())
            throw CommandError(
                u"cannot add to %1: %2; nothing was added"_s.arg(shownLocation(location), why));
    }
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw CommandError(u"cannot read %1: %2"_s.arg(cutLongName(file), input.errorString()));
    try {
        RowReader rows(input, format, std::nullopt, context.limits.maxRowBytes);
        checkHeader(rows.next());
        // A bar needs the number of rows, which costs a quick pass over the file first.
        const qint64 total = context.console.errIsTerminal ? rowsAfterHeader(file) : 0;
        const qint64 added = addRows(location, rows, total, context.console);
        context.console.out << u"Added %1 entries from %2 to %3"_s.arg(added).arg(
            cutLongName(file), shownLocation(location))
                            << Qt::endl;
        return Success;
    } catch (const TextError &error) {
        throw CommandError(u"%1, line %2: %3; nothing was added to %4"_s.arg(cutLongName(file))
                               .arg(error.line())
                               .arg(error.reason(), shownLocation(location)));
    } catch (const KbError &error) {
        const QString message = aboutLocation(location, error.message());
        throw CommandError(mayBeStored(message) ? message : message + u"; nothing was added"_s);
    }
}

qint64 ImportCommand::addRows(const QString &location, RowReader &rows, qint64 total,
                              const Console &console)
{
    const bool created = !isServerLocation(location) && !QFileInfo::exists(location);
    try {
        const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(location, Patiently);
        std::unique_ptr<ProgressBar> bar;
        if (wantsProgressBar(console.errIsTerminal, total))
            bar = std::make_unique<ProgressBar>(console.err, u"Importing"_s, total);
        const qint64 added = kb->addAll(
            [&]() -> std::optional<NewEntry> {
                std::optional<TextRow> row = rows.next();
                return row ? std::optional(entryFrom(*std::move(row))) : std::nullopt;
            },
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

} // namespace donguri::kbtool

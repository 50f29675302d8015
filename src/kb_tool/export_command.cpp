// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_command.h"

#include "kb/kb_location.h"
#include "progress_bar.h"
#include "text_encoding.h"

#include <QRegularExpression>
#include <QSaveFile>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

// Rows are written out in pieces of about this size.
constexpr qsizetype ExportBufferBytes = qsizetype{64} * 1024;

// A word as a message names it: its first line, cut short.
QString shownWord(QByteArrayView word)
{
    const QString text = QString::fromUtf8(word);
    const qsizetype lineEnd = text.indexOf(QRegularExpression(u"[\r\n]"_s));
    return lineEnd < 0 ? cutLongName(text, 40) : cutLongName(text.first(lineEnd), 40) + u"…"_s;
}

// A row the chosen encoding cannot hold, or would give back changed.
class UnwritableRow : public CommandError
{
public:
    using CommandError::CommandError;
};

// The rows as they go out: UTF-8 as stored, or each row in another encoding, which names the
// entry whose character it cannot hold.
class RowOutput
{
public:
    RowOutput(QIODevice &output, TextFormat format, TextEncoding encoding)
        : m_output(output), m_format(format), m_encoder(FromUtf8::to(encoding))
    {
        m_rows.reserve(ExportBufferBytes + 4096);
        if (m_encoder)
            m_rows += m_encoder->start();
        addRow(encodeRow(headerFields(), format), nullptr);
    }

    void add(const Utf8Entry &entry)
    {
        if (!m_encoder) {
            // The text exactly as stored: the program only ever stores UTF-8, and what another
            // tool may have put in is kept as it is rather than changed on the way out (an
            // import then names the line it cannot read).
            appendRow(m_rows, {entry.word, entry.meaning.value_or(QByteArrayView()), entry.link},
                      m_format);
        } else {
            m_row.resize(0);
            appendRow(m_row, {entry.word, entry.meaning.value_or(QByteArrayView()), entry.link},
                      m_format);
            addRow(m_row, &entry);
        }
        if (m_rows.size() >= ExportBufferBytes)
            flush();
    }

    void flush()
    {
        m_output.write(m_rows);
        m_rows.resize(0); // keeps the buffer
    }

private:
    void addRow(QByteArrayView row, const Utf8Entry *entry)
    {
        if (!m_encoder) {
            m_rows += row;
        } else if (const std::optional<Unwritable> bad = m_encoder->append(row, m_rows)) {
            const qsizetype line = m_line + row.first(bad->offset).count('\n');
            const QString which =
                entry ? u"the entry %1 (ID %2)"_s.arg(shownWord(entry->word)).arg(entry->id)
                      : u"the header"_s;
            throw UnwritableRow(u"line %1, %2: %3; export as UTF-8 (without --encoding), or "
                                "change the character"_s.arg(line)
                                    .arg(which, bad->reason));
        }
        m_line += row.count('\n');
    }

    QIODevice &m_output;
    TextFormat m_format;
    std::unique_ptr<FromUtf8> m_encoder;
    QByteArray m_rows;
    QByteArray m_row;
    qsizetype m_line = 1;
};

// Writes every entry of `kb` as rows to `output`; how many.
qint64 writeRows(KnowledgeBase &kb, QIODevice &output, TextFormat format, TextEncoding encoding,
                 ProgressBar *bar)
{
    RowOutput rows(output, format, encoding);
    qint64 written = 0;
    kb.forEachEntryUtf8([&](const Utf8Entry &entry) {
        rows.add(entry);
        ++written;
        if (bar)
            bar->advanceTo(written);
    });
    rows.flush();
    if (bar)
        bar->finish();
    return written;
}

int exportToStandardOutput(KnowledgeBase &kb, TextFormat format, TextEncoding encoding,
                           const Console &console, ProgressBar *bar)
{
    if (!console.data)
        throw CommandError(u"no standard output to write to"_s);
    writeRows(kb, *console.data, format, encoding, bar);
    auto *device = qobject_cast<QFileDevice *>(console.data);
    if (device && (!device->flush() || device->error() != QFileDevice::NoError))
        throw CommandError(u"cannot write to standard output: %1"_s.arg(device->errorString()));
    return Success;
}

} // namespace

ExportCommand::ExportCommand()
    : DatabaseCommand(u"export"_s, {u"FILE"_s}, {formatOption(), encodingOption()})
{
}

int ExportCommand::runOn(const QString &location, const QCommandLineParser &parser,
                         const QStringList &words, const CommandContext &context)
{
    const QString &file = words.first();
    const TextFormat format = formatFor(parser, file);
    const TextEncoding encoding = encodingFor(parser).value_or(TextEncoding::Utf8);
    const Console &console = context.console;
    const std::unique_ptr<KnowledgeBase> kb = openExisting(location);
    std::unique_ptr<ProgressBar> bar;
    if (wantsProgressBar(console.errIsTerminal, kb->countAll()))
        bar = std::make_unique<ProgressBar>(console.err, u"Exporting"_s, kb->countAll());

    const QString name = file == u"-" ? u"standard output"_s : cutLongName(file);
    try {
        if (file == u"-")
            return exportToStandardOutput(*kb, format, encoding, console, bar.get());
        refuseToOverwrite(file, location, u"export to another file"_s);
        // Written beside the target and renamed into place: a failed export leaves the file that
        // was there as it was, and no half-written one.
        QSaveFile output(file);
        if (!output.open(QIODevice::WriteOnly))
            throw CommandError(u"cannot write %1: %2"_s.arg(name, output.errorString()));
        const qint64 written = writeRows(*kb, output, format, encoding, bar.get());
        if (!output.commit())
            throw CommandError(u"cannot write %1: %2"_s.arg(name, output.errorString()));
        console.out << u"Wrote %1 entries from %2 to %3, in %4"_s.arg(written).arg(
            shownLocation(location), name, encodingName(encoding))
                    << Qt::endl;
        return Success;
    } catch (const UnwritableRow &row) {
        const QString untouched = file == u"-" ? QString() : u"; nothing was written"_s;
        throw CommandError(u"cannot write %1 as %2: %3%4"_s.arg(name, encodingName(encoding),
                                                                row.message(), untouched));
    }
}

} // namespace donguri::kbtool

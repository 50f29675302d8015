// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_command.h"

#include "kb/kb_location.h"
#include "progress_bar.h"

#include <QSaveFile>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

// Rows are written out in pieces of about this size.
constexpr qsizetype ExportBufferBytes = qsizetype{64} * 1024;

// Writes every entry of `kb` as rows to `output`; how many.
qint64 writeRows(KnowledgeBase &kb, QIODevice &output, TextFormat format, ProgressBar *bar)
{
    output.write(encodeRow(headerFields(), format));
    qint64 written = 0;
    QByteArray rows;
    rows.reserve(ExportBufferBytes + 4096);
    kb.forEachEntryUtf8([&](const Utf8Entry &entry) {
        // The text exactly as stored: the program only ever stores UTF-8, and what another tool
        // may have put in is kept as it is rather than changed on the way out (an import then
        // names the line it cannot read).
        appendRow(rows, {entry.word, entry.meaning.value_or(QByteArrayView()), entry.link}, format);
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
    return written;
}

} // namespace

ExportCommand::ExportCommand() : DatabaseCommand(u"export"_s, {u"FILE"_s}, {formatOption()}) {}

int ExportCommand::runOn(const QString &location, const QCommandLineParser &parser,
                         const QStringList &words, const CommandContext &context)
{
    const QString &file = words.first();
    const TextFormat format = formatFor(parser, file);
    const Console &console = context.console;
    const std::unique_ptr<KnowledgeBase> kb = openExisting(location);
    std::unique_ptr<ProgressBar> bar;
    if (wantsProgressBar(console.errIsTerminal, kb->countAll()))
        bar = std::make_unique<ProgressBar>(console.err, u"Exporting"_s, kb->countAll());

    if (file == u"-") {
        if (!console.data)
            throw CommandError(u"no standard output to write to"_s);
        writeRows(*kb, *console.data, format, bar.get());
        auto *device = qobject_cast<QFileDevice *>(console.data);
        if (device && (!device->flush() || device->error() != QFileDevice::NoError))
            throw CommandError(u"cannot write to standard output: %1"_s.arg(device->errorString()));
        return Success;
    }
    refuseToOverwrite(file, location, u"export to another file"_s);
    // Written beside the target and renamed into place: a failed export leaves the file that
    // was there as it was, and no half-written one.
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly))
        throw CommandError(u"cannot write %1: %2"_s.arg(cutLongName(file), output.errorString()));
    const qint64 written = writeRows(*kb, output, format, bar.get());
    if (!output.commit())
        throw CommandError(u"cannot write %1: %2"_s.arg(cutLongName(file), output.errorString()));
    console.out << u"Wrote %1 entries from %2 to %3"_s.arg(written).arg(shownLocation(location),
                                                                        cutLongName(file))
                << Qt::endl;
    return Success;
}

} // namespace donguri::kbtool

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "database_command.h"

#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/open_knowledge_base.h"

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

DatabaseCommand::DatabaseCommand(const QString &name, const QStringList &words,
                                 const QList<QCommandLineOption> &options)
    : Command(name, words, QList<QCommandLineOption>{databaseOption()} + options)
{
}

int DatabaseCommand::run(const QCommandLineParser &parser, const QStringList &words,
                         const CommandContext &context)
{
    const QString location =
        parser.isSet(databaseOption())
            ? parser.value(databaseOption())
            : chooseDatabase(context.places, MissingSettings::LeaveAlone).databasePath;
    try {
        return runOn(location, parser, words, context);
    } catch (const KbError &error) {
        throw CommandError(aboutLocation(location, error.message()));
    }
}

std::unique_ptr<KnowledgeBase> DatabaseCommand::openExisting(const QString &location)
{
    OpenOptions existing = Patiently;
    existing.create = false;
    return openKnowledgeBase(location, existing);
}

TextFormat DatabaseCommand::formatFor(const QCommandLineParser &parser, const QString &file)
{
    if (parser.isSet(formatOption())) {
        const QString name = parser.value(formatOption());
        if (const std::optional<TextFormat> named = formatNamed(name))
            return *named;
        throw UsageProblem(u"unknown format %1; use tsv or csv"_s.arg(cutLongName(name)));
    }
    if (const std::optional<TextFormat> byName = formatOfFile(file))
        return *byName;
    if (file == u"-")
        return TextFormat::Tsv;
    throw UsageProblem(
        u"cannot tell the format of %1; use --format tsv|csv"_s.arg(cutLongName(file)));
}

QStringList headerFields()
{
    return {u"言葉"_s, u"意味"_s, u"リンク"_s};
}

} // namespace donguri::kbtool

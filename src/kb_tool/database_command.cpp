// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "database_command.h"

#include "kb/file_system.h"
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/open_knowledge_base.h"
#include "knowledge_base_place.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::optional<struct stat> statusOf(const QString &path)
{
    struct stat status
    {
    };
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

} // namespace

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
    if (const QString problem = problemAtPlace(location); !problem.isEmpty())
        throw CommandError(problem);
    try {
        return runOn(location, parser, words, context);
    } catch (const KbError &error) {
        throw CommandError(aboutFailure(location, error.message(), error.cause()));
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

std::optional<TextEncoding> DatabaseCommand::encodingFor(const QCommandLineParser &parser)
{
    if (!parser.isSet(encodingOption()))
        return std::nullopt;
    const QString name = parser.value(encodingOption());
    if (const std::optional<TextEncoding> named = encodingNamed(name))
        return named;
    throw UsageProblem(
        u"unknown encoding %1; use utf-8, shift_jis or utf-16"_s.arg(cutLongName(name)));
}

void refuseToOverwrite(const QString &target, const QString &database, const QString &instead)
{
    if (isServerLocation(database))
        return;
    const std::optional<struct stat> written = statusOf(target);
    // A symbolic link to a file not there yet (a log SQLite has not made) is followed by name.
    const QString linkedTo = QFileInfo(target).symLinkTarget();
    for (const QString &suffix : QStringList{QString()} + sqliteFileSuffixes()) {
        const QString file = database + suffix;
        const std::optional<struct stat> kept = statusOf(file);
        const QString named = QFileInfo(file).absoluteFilePath();
        const bool same = (written && kept && sameFile(*written, *kept))
                          || QFileInfo(target).absoluteFilePath() == named || linkedTo == named;
        if (same)
            throw CommandError(u"will not write %1: it is %2 of the knowledge base %3; %4"_s.arg(
                cutLongName(target),
                suffix.isEmpty() ? u"the file"_s : u"the %1 file"_s.arg(suffix),
                shownLocation(database), instead));
    }
}

QStringList headerFields()
{
    return {u"言葉"_s, u"意味"_s, u"リンク"_s};
}

} // namespace donguri::kbtool

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "command.h"

#include "backup_command.h"
#include "copy_command.h"
#include "export_command.h"
#include "import_command.h"
#include "kb/kb_location.h"
#include "stats_command.h"

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

QString spelled(const QString &option)
{
    return (option.size() == 1 ? u"-"_s : u"--"_s) + option;
}

} // namespace

CommandError::CommandError(const QString &message, ExitStatus status)
    : std::runtime_error(message.toStdString()), m_status(status)
{
}

Command::Command(const QString &name, const QStringList &words,
                 const QList<QCommandLineOption> &options)
    : m_name(name), m_words(words), m_options(options)
{
}

Command::~Command() = default;

int Command::execute(const QStringList &arguments, const CommandContext &context)
{
    QCommandLineParser parser;
    parser.addOptions(m_options);
    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            throw UsageProblem(u"%1 does not take %2"_s.arg(
                m_name, spelled(parser.unknownOptionNames().constFirst())));
        throw UsageProblem(parser.errorText());
    }
    const QStringList words = parser.positionalArguments().mid(1);
    if (words.size() != m_words.size()) {
        throw UsageProblem(m_words.isEmpty()
                               ? u"%1 takes no FILE"_s.arg(m_name)
                               : u"%1 takes %2"_s.arg(m_name, m_words.join(u" and "_s)));
    }
    return run(parser, words, context);
}

std::vector<std::unique_ptr<Command>> allCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<ExportCommand>());
    commands.push_back(std::make_unique<ImportCommand>());
    commands.push_back(std::make_unique<StatsCommand>());
    commands.push_back(std::make_unique<CopyCommand>());
    commands.push_back(std::make_unique<BackupCommand>());
    return commands;
}

const QCommandLineOption &databaseOption()
{
    static const QCommandLineOption option(u"db"_s, u"The knowledge base to use."_s, u"PATH"_s);
    return option;
}

const QCommandLineOption &formatOption()
{
    static const QCommandLineOption option(u"format"_s, u"The file format."_s, u"tsv|csv"_s);
    return option;
}

const QCommandLineOption &encodingOption()
{
    static const QCommandLineOption option(u"encoding"_s, u"The file's text encoding."_s,
                                           u"utf-8|shift_jis|utf-16"_s);
    return option;
}

const QCommandLineOption &appendOption()
{
    static const QCommandLineOption option(u"append"_s, u"Add as new entries."_s);
    return option;
}

const QCommandLineOption &replaceOption()
{
    static const QCommandLineOption option(u"replace"_s, u"Replace an existing file."_s);
    return option;
}

QString aboutLocation(const QString &location, const QString &message)
{
    const QString shown = shownLocation(location);
    const QString safe = withoutPassword(message, location);
    return safe.contains(shown) ? safe : u"%1: %2"_s.arg(shown, safe);
}

} // namespace donguri::kbtool

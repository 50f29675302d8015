// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_command.h"

#include "command.h"
#include "kb/kb_location.h"

#include <QCommandLineParser>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

QString usage()
{
    return uR"(Usage: donguri-kb export FILE [--db PATH|ADDRESS] [--format tsv|csv] [--encoding ENC]
       donguri-kb import FILE [--db PATH|ADDRESS] [--format tsv|csv] [--encoding ENC]
       donguri-kb stats [--db PATH|ADDRESS]
       donguri-kb copy SOURCE TARGET [--append]
       donguri-kb backup TARGET [--db PATH|ADDRESS] [--replace]
       donguri-kb --help | --version

Commands:
  export FILE   write every entry to FILE, in ID order; FILE - is standard output. FILE is
                replaced whole or not at all, and never when it is the knowledge base itself
  import FILE   add every row of FILE as a new entry; a file with any bad row adds nothing,
                and a row may hold at most 256 MiB. FILE is UTF-8, UTF-16 with a byte-order
                mark or Shift_JIS (CP932, a spreadsheet's CSV on a Japanese system), told from its
                bytes; its header is 言葉, 意味, リンク or 言葉, 意味
  stats         entry count, size and an integrity check
  copy SOURCE TARGET
                copy every entry (IDs and order kept) and the character choice into TARGET,
                which must hold no entries; SOURCE and TARGET are files or server addresses
  backup TARGET write the knowledge base as it stands to the new file TARGET, safely while the
                program uses it: a file page by page, a server's entries as a file; TARGET
                appears only whole, and never over the knowledge base itself

Options (an option a command does not take is a usage error):
  --db PATH|ADDRESS  export, import, stats, backup: the knowledge base to use (default: the one
                     donguri.ini names): a file, or a PostgreSQL server as a URI
                     (postgresql://kb.example.lan/donguri) or as keywords
                     ('host=kb.example.lan dbname=donguri')
  --format tsv|csv   export, import: the file format, when the file name does not end in .tsv
                     or .csv (standard output is tsv unless told)
  --encoding ENC     export, import: utf-8, shift_jis or utf-16; export writes UTF-8 unless
                     told, import tells it from the file's bytes unless told
  --append           copy: add the entries to TARGET as new entries instead
  --replace          backup: replace TARGET when it exists
  -h, --help         show this text
  --version          show the version

Exit status: 0 done, 1 failed (nothing half done), 2 the command line is wrong.
)"_s;
}

QString version()
{
    return u"donguri-kb " DONGURI_VERSION ""_s;
}

const QCommandLineOption &helpOption()
{
    static const QCommandLineOption option({u"h"_s, u"help"_s}, u"Show the usage."_s);
    return option;
}

const QCommandLineOption &versionOption()
{
    static const QCommandLineOption option(u"version"_s, u"Show the version."_s);
    return option;
}

// Every option of every command, once: enough to find the command's name among the words.
QList<QCommandLineOption> everyOption(const std::vector<std::unique_ptr<Command>> &commands)
{
    QList<QCommandLineOption> options{helpOption(), versionOption()};
    QStringList names;
    for (const std::unique_ptr<Command> &command : commands) {
        for (const QCommandLineOption &option : command->options()) {
            if (!names.contains(option.names().constFirst())) {
                names << option.names().constFirst();
                options << option;
            }
        }
    }
    return options;
}

Command &commandNamed(const std::vector<std::unique_ptr<Command>> &commands, const QString &name)
{
    for (const std::unique_ptr<Command> &command : commands) {
        if (command->name() == name)
            return *command;
    }
    throw UsageProblem(u"unknown command %1"_s.arg(cutLongName(name)));
}

int runCommandLine(const QStringList &arguments, const CommandContext &context)
{
    const std::vector<std::unique_ptr<Command>> commands = allCommands();
    QCommandLineParser parser;
    parser.addOptions(everyOption(commands));
    if (!parser.parse(arguments))
        throw UsageProblem(parser.errorText());
    if (parser.isSet(helpOption())) {
        context.console.out << usage() << Qt::flush;
        return Success;
    }
    if (parser.isSet(versionOption())) {
        context.console.out << version() << Qt::endl;
        return Success;
    }
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        throw UsageProblem(u"which command? export, import, stats, copy or backup"_s);
    return commandNamed(commands, words.first()).execute(arguments, context);
}

} // namespace

int runKbCommand(const QStringList &arguments, const DatabasePlaces &places, const Console &console,
                 const Limits &limits)
{
    if (arguments.size() <= 1) {
        console.err << usage() << Qt::flush;
        return UsageError;
    }
    try {
        return runCommandLine(arguments, {console, places, limits});
    } catch (const CommandError &error) {
        console.err << u"donguri-kb: "_s << error.message() << u'\n';
        if (error.status() == UsageError)
            console.err << u"Run donguri-kb --help for the usage."_s << u'\n';
        console.err.flush();
        return error.status();
    }
}

} // namespace donguri::kbtool

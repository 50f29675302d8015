// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb_command.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

#include <memory>
#include <stdexcept>
#include <vector>

namespace donguri::kbtool {

// What stops a command, said in a sentence for the user, with how donguri-kb then ends: a
// failure, or a usage error for a command line that does not make sense.
class CommandError : public std::runtime_error
{
public:
    explicit CommandError(const QString &message, ExitStatus status = Failure);

    QString message() const { return QString::fromUtf8(what()); }
    ExitStatus status() const { return m_status; }

private:
    ExitStatus m_status;
};

// A command line that does not make sense; answered with a pointer to --help.
class UsageProblem : public CommandError
{
public:
    explicit UsageProblem(const QString &message) : CommandError(message, UsageError) {}
};

// What a command works with besides its command line.
struct CommandContext
{
    const Console &console;
    // Where the settings file is looked for that names the knowledge base used without --db.
    const DatabasePlaces &places;
    const Limits &limits;
};

// One donguri-kb command: its name, the words it takes after it (FILE, SOURCE TARGET) and the
// options it accepts; anything else on its command line is a usage error.
class Command
{
public:
    Command(const QString &name, const QStringList &words,
            const QList<QCommandLineOption> &options);
    virtual ~Command();
    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

    const QString &name() const { return m_name; }
    const QList<QCommandLineOption> &options() const { return m_options; }

    // Checks `arguments` (the whole command line, the program's name first) against what this
    // command takes, then runs it. Throws CommandError; UsageProblem before anything is touched.
    int execute(const QStringList &arguments, const CommandContext &context);

protected:
    // `words` are the ones after the command's name, as many as it takes.
    virtual int run(const QCommandLineParser &parser, const QStringList &words,
                    const CommandContext &context) = 0;

private:
    QString m_name;
    QStringList m_words;
    QList<QCommandLineOption> m_options;
};

// Every command, in the order the usage text lists them.
std::vector<std::unique_ptr<Command>> allCommands();

// The options several commands share.
const QCommandLineOption &databaseOption();
const QCommandLineOption &formatOption();
const QCommandLineOption &encodingOption();
const QCommandLineOption &appendOption();
const QCommandLineOption &replaceOption();

// `message` about the knowledge base `location`, naming it first when the message does not name
// it already; never with a password, and a long name cut short.
QString aboutLocation(const QString &location, const QString &message);

} // namespace donguri::kbtool

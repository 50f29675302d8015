// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "command.h"
#include "delimited_text.h"
#include "kb/knowledge_base.h"

namespace donguri::kbtool {

// A command on one knowledge base: the one --db names, or else the one the program itself would
// open (as donguri.ini says). A failure of the knowledge base is reported naming it; a folder or
// a file that is no knowledge base at all is refused before it is opened.
class DatabaseCommand : public Command
{
public:
    DatabaseCommand(const QString &name, const QStringList &words,
                    const QList<QCommandLineOption> &options);

protected:
    virtual int runOn(const QString &location, const QCommandLineParser &parser,
                      const QStringList &words, const CommandContext &context) = 0;

    // Reading commands do not create an empty knowledge base where none was.
    static std::unique_ptr<KnowledgeBase> openExisting(const QString &location);
    // The file's format: --format, else the file name's extension.
    static TextFormat formatFor(const QCommandLineParser &parser, const QString &file);
    // --encoding, when given.
    static std::optional<TextEncoding> encodingFor(const QCommandLineParser &parser);

private:
    int run(const QCommandLineParser &parser, const QStringList &words,
            const CommandContext &context) final;
};

// Refuses `target` when it is the knowledge base file `database` or one of SQLite's files beside
// it, however it is reached (another spelling, a symbolic or hard link): writing there would
// destroy what is read. The message ends saying what to do `instead` ("export to another file").
void refuseToOverwrite(const QString &target, const QString &database, const QString &instead);

// The header row of an exported or imported file.
QStringList headerFields();

// A command line tool may wait for a server as long as a large file takes.
inline constexpr OpenOptions Patiently{true, true};

} // namespace donguri::kbtool

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "command.h"
#include "kb/knowledge_base.h"

namespace donguri::kbtool {

// donguri-kb copy SOURCE TARGET [--append]: between any two knowledge bases, files or servers.
// Every entry goes over in ID order, in one transaction on TARGET. Without --append TARGET must
// hold no entries; it then gets each entry under its own ID and SOURCE's character choice, so
// that it answers as SOURCE does. With --append the entries are added as new ones and the
// character choice stays. A failed copy leaves TARGET as it was (a file it had to create is
// removed again).
class CopyCommand final : public Command
{
public:
    CopyCommand();

private:
    int run(const QCommandLineParser &parser, const QStringList &words,
            const CommandContext &context) override;
};

// Copies every entry of `from` into the knowledge base `target`, created when it is not there,
// in one transaction, as copy does (with `append`, as new entries); a bar labelled `barLabel`
// shows how far it got when many go over on a terminal. How many went over. Throws CommandError
// for a target that holds entries already, KbError for a failure of either knowledge base.
qint64 copyAllEntries(KnowledgeBase &from, const QString &target, bool append,
                      const Console &console, const QString &barLabel);

} // namespace donguri::kbtool

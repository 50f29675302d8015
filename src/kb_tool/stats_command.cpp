// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats_command.h"

#include "kb/kb_location.h"

#include <QLocale>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

QString sizeText(qint64 bytes)
{
    return u"%1 bytes (%2)"_s.arg(bytes).arg(QLocale::c().formattedDataSize(bytes));
}

} // namespace

StatsCommand::StatsCommand() : DatabaseCommand(u"stats"_s, {}, {}) {}

int StatsCommand::runOn(const QString &location, const QCommandLineParser &, const QStringList &,
                        const CommandContext &context)
{
    const std::unique_ptr<KnowledgeBase> kb = openExisting(location);
    const QStringList problems = kb->integrityProblems();
    QTextStream &out = context.console.out;
    out << u"Database: "_s << shownLocation(location) << u'\n';
    out << u"Entries: "_s << kb->countAll() << u'\n';
    out << u"Size: "_s << sizeText(kb->storedBytes()) << u'\n';
    if (problems.isEmpty()) {
        out << u"Integrity: ok"_s << Qt::endl;
        return Success;
    }
    out << u"Integrity: %1 problem(s)"_s.arg(problems.size()) << u'\n';
    for (const QString &problem : problems)
        out << u"  "_s << problem << u'\n';
    out.flush();
    return Failure;
}

} // namespace donguri::kbtool

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "knowledge_base_place.h"

#include "command.h"
#include "delimited_text.h"
#include "kb/kb_location.h"

#include <QDir>
#include <QFile>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

// How every SQLite database file begins.
const QByteArray SqliteStart("SQLite format 3\0", 16);

QByteArray firstBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(32);
}

// Another common desktop database format keeps its name after the first four bytes (two generations
// of it).
bool isOtherDesktopDatabase(QByteArrayView start)
{
    const QByteArrayView name = start.sliced(std::min<qsizetype>(4, start.size()));
    return name.startsWith("Standard Jet DB") || name.startsWith("Standard ACE DB");
}

QString anotherProgramsDatabase(const QString &location)
{
    return u"%1: it is a database of another program, not a knowledge base: export its words as "
           "CSV (言葉,意味) and bring them in with donguri-kb import"_s.arg(
               shownLocation(location));
}

// " (in it: どんぐりくん.mdb)": the knowledge-base files a folder holds, a few by name.
QString knowledgeBasesIn(const QString &folder)
{
    constexpr qsizetype Named = 3;
    const QStringList files = QDir(folder).entryList({u"*.mdb"_s}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        return {};
    const QString more = files.size() > Named ? u", …"_s : QString();
    return u" (in it: %1%2)"_s.arg(files.first(std::min(files.size(), Named)).join(u", "), more);
}

} // namespace

QString problemAtPlace(const QString &location)
{
    if (isServerLocation(location))
        return {};
    const QFileInfo place(location);
    if (!place.exists())
        return {};
    const QString shown = shownLocation(location);
    if (place.isDir())
        return u"%1 is a folder: give the path of a knowledge-base file"_s.arg(shown)
               + knowledgeBasesIn(location);
    if (!place.isFile())
        return u"%1 is not a file: give the path of a knowledge-base file"_s.arg(shown);
    if (place.size() == 0)
        return u"%1 is an empty file, not a knowledge base: give the path of a knowledge-base "
               "file"_s.arg(shown);
    const QByteArray start = firstBytes(location);
    if (start.isEmpty() || start.startsWith(SqliteStart))
        return {}; // one that cannot be read is reported when it is opened, with the reason
    if (isOtherDesktopDatabase(start))
        return anotherProgramsDatabase(location);
    if (formatOfFile(location))
        return u"%1 is a word list, not a knowledge base: bring its rows in with donguri-kb "
               "import %1"_s.arg(shown);
    return u"%1 is not a database at all: give the path of a knowledge-base file"_s.arg(shown);
}

QString aboutFailure(const QString &location, const QString &message, KbCause cause)
{
    // The knowledge base's own refusal of a file whose tables are not its own.
    if (cause == KbCause::OtherProgram && !isServerLocation(location)
        && firstBytes(location).startsWith(SqliteStart))
        return anotherProgramsDatabase(location);
    return aboutLocation(location, message);
}

} // namespace donguri::kbtool

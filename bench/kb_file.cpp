// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_file.h"

#include "entry_generator.h"
#include "kb/file_knowledge_base.h"
#include "kb/sqlite_db.h"
#include "raw_sqlite.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <stdexcept>
#include <unistd.h>

namespace donguri::bench {

using namespace Qt::StringLiterals;

namespace {

// The bulk load bypasses the knowledge base's own writes for speed but keeps to the program's
// schema: the file is created by FileKnowledgeBase itself, and 照合語 is computed in the
// INSERT exactly as the program computes it.
void fillEntries(const QString &path, int entries)
{
    sql::Database db(path, sql::Database::Mode::OpenExisting);
    // A fresh file that is renamed into place only when complete needs no crash safety.
    db.exec("PRAGMA journal_mode = DELETE");
    db.exec("PRAGMA synchronous = OFF");
    db.exec("PRAGMA cache_size = -262144"); // 256 MiB: index entries land all over the index
    sql::Transaction transaction(db);
    sql::Statement insert(db, "INSERT INTO 言葉 (言葉, 意味, 照合語, リンク)"
                              " VALUES (?1, ?2, coalesce(rtrim(?1, ' '), ''), ?3)");
    EntryGenerator generator;
    for (int i = 0; i < entries; ++i) {
        const GeneratedEntry entry = generator.next();
        insert.bind(1, entry.word).bind(2, entry.meaning).bind(3, entry.link);
        insert.run();
        insert.reset();
    }
    transaction.commit();
    db.exec("PRAGMA journal_mode = WAL"); // as the program leaves its files
}

qint64 countOf(RawConnection &connection, const char *sql)
{
    RawStatement query(connection, sql);
    query.step();
    return query.integer(0);
}

// Every entry must be there, with 照合語 exactly what the triggers write for the program.
void checkGenerated(const QString &path, int entries)
{
    RawConnection connection(path);
    if (countOf(connection, "SELECT count(*) FROM 言葉") != entries)
        throw std::runtime_error("generated file has the wrong number of entries");
    if (countOf(connection, "SELECT count(*) FROM 言葉 WHERE 照合語 IS NOT"
                            " coalesce(rtrim(言葉, ' '), '')")
        != 0)
        throw std::runtime_error("generated file has 照合語 values the triggers would not write");
}

// The file is complete on disk before it takes its final name, so a crash can never leave a
// half-written file that later runs would take as generated.
void flushToDisk(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || ::fsync(file.handle()) != 0)
        throw std::runtime_error("cannot flush the generated file to disk");
}

void generate(const QString &path, int entries)
{
    const QString partial = path + u".part"_s;
    QFile::remove(partial);
    {
        FileKnowledgeBase created(partial);
    } // tables, index and triggers as the program makes them
    QElapsedTimer timer;
    timer.start();
    fillEntries(partial, entries);
    checkGenerated(partial, entries);
    flushToDisk(partial);
    if (!QFile::rename(partial, path))
        throw std::runtime_error("cannot move the generated file into place");
    // Commits timed soon after generating the 1M file measured up to 20 times slower here, as
    // they also do while other heavy disk writes are going on.
    QTextStream(stdout) << "# generated " << path << " in " << timer.elapsed() / 1000.0
                        << " s; add and update may read slow until the disk has settled,"
                           " run again for steady figures"
                        << Qt::endl;
}

} // namespace

QString cachedKnowledgeBase(const QString &directory, int entries)
{
    if (!QDir().mkpath(directory))
        throw std::runtime_error("cannot create " + directory.toStdString());
    const QString path = QDir(directory).filePath(u"kb-%1.mdb"_s.arg(entries));
    if (!QFile::exists(path))
        generate(path, entries);
    return path;
}

void removeBenchmarkRows(RawConnection &connection, int entries)
{
    const QByteArray last = QByteArray::number(entries);
    connection.exec("DELETE FROM 言葉 WHERE ID > " + last);
    connection.exec("UPDATE sqlite_sequence SET seq = " + last + " WHERE name = '言葉'");
}

} // namespace donguri::bench

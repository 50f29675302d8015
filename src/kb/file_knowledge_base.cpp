// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_knowledge_base.h"

#include "kb_error.h"
#include "kb_location.h"
#include "kb_log.h"
#include "sqlite_db.h"
#include "word_pattern.h"
#include "write_ahead_log.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <sqlite3.h>

#include <limits>
#include <type_traits>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

// 照合語 is the word without trailing blanks. Every write of this program sets it in the same
// statement; the triggers mend it only when another writer (a hand edit, an older program) left
// it wrong, so a bulk load writes each row once. Its index serves exact lookups and, being a
// plain column, patterns are answered from the index alone.
#define DONGURI_MATCH_WORD(word) "coalesce(rtrim(" word ", ' '), '')"
const char *const InsertTriggerSql = R"sql(
CREATE TRIGGER 言葉_追加 AFTER INSERT ON 言葉
    WHEN NEW.照合語 IS NOT )sql" DONGURI_MATCH_WORD("NEW.言葉") R"sql( BEGIN
    UPDATE 言葉 SET 照合語 = )sql" DONGURI_MATCH_WORD("NEW.言葉") R"sql( WHERE ID = NEW.ID;
END;
)sql";
const char *const UpdateTriggerSql = R"sql(
CREATE TRIGGER 言葉_変更 AFTER UPDATE OF 言葉, 照合語 ON 言葉
    WHEN NEW.照合語 IS NOT )sql" DONGURI_MATCH_WORD("NEW.言葉") R"sql( BEGIN
    UPDATE 言葉 SET 照合語 = )sql" DONGURI_MATCH_WORD("NEW.言葉") R"sql( WHERE ID = NEW.ID;
END;
)sql";

const char *const TableSql = R"sql(
CREATE TABLE IF NOT EXISTS 言葉 (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    言葉 TEXT,
    意味 TEXT,
    照合語 TEXT,
    リンク TEXT
);
CREATE INDEX IF NOT EXISTS 言葉_照合語 ON 言葉 (照合語);
CREATE TABLE IF NOT EXISTS キャラクター (
    ID INTEGER PRIMARY KEY,
    キャラクター番号 INTEGER
);
INSERT INTO キャラクター (ID, キャラクター番号)
    SELECT 1, 1 WHERE NOT EXISTS (SELECT 1 FROM キャラクター);
)sql";

const char *const InsertEntrySql =
    "INSERT INTO 言葉 (言葉, 意味, 照合語, リンク) VALUES (?1, ?2, " DONGURI_MATCH_WORD(
        "?1") ", ?3)";
const char *const UpdateEntrySql =
    "UPDATE 言葉 SET 言葉 = ?2, 意味 = ?3, 照合語 = " DONGURI_MATCH_WORD(
        "?2") ", リンク = ?4 WHERE ID = ?1";
const char *const InsertEntryWithIdSql =
    "INSERT INTO 言葉 (ID, 言葉, 意味, 照合語, リンク) VALUES (?1, ?2, ?3, " DONGURI_MATCH_WORD(
        "?2") ", ?4)";
// The words of up to this many entries are read with one statement.
constexpr int WordsPerStatement = 64;
// SQLite's header at the start of the file: every write moves its counters and write stamp on.
constexpr qint64 FileHeaderBytes = 100;
// How long merging the log after a write waits for another program still reading an older
// state of the file. What it cannot merge then is merged after the next write, or on closing.
constexpr std::chrono::milliseconds MergePatience{250};
// On closing, a reader gets longer: the file is to be left whole.
constexpr std::chrono::milliseconds ClosingMergePatience{2000};

QByteArray stampStatement(qint32 stamp)
{
    return "PRAGMA user_version = " + QByteArray::number(stamp);
}

// Resets a cached statement when a call is done with it, so no read transaction stays open
// and the next call sees what other handles committed meanwhile.
class Use
{
public:
    explicit Use(sql::Statement &statement) : m_statement(statement) {}
    ~Use() { m_statement.reset(); }
    sql::Statement *operator->() { return &m_statement; }
    sql::Statement &operator*() { return m_statement; }

private:
    sql::Statement &m_statement;
};

void matchFunction(sqlite3_context *context, int, sqlite3_value **args)
{
    const auto view = [](sqlite3_value *value) {
        const auto *data = reinterpret_cast<const char *>(sqlite3_value_text(value));
        return std::string_view(data ? data : "", size_t(sqlite3_value_bytes(value)));
    };
    if (sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const std::string_view pattern = view(args[0]);
    const std::string_view word = view(args[1]);
    sqlite3_result_int(context, WordPattern::matches(pattern, word) ? 1 : 0);
}

// Columns in the order "SELECT ID, 言葉, 意味, リンク" gives them.
Entry entryFrom(const sql::Statement &row)
{
    Entry found;
    found.id = qint32(row.integer(0));
    found.word = row.text(1);
    if (!row.isNull(2))
        found.meaning = row.text(2);
    found.link = row.text(3);
    return found;
}

QStringList columnsOf(sql::Database &db, const char *table)
{
    sql::Statement info(db, "SELECT name FROM pragma_table_info(?1) ORDER BY cid");
    info.bind(1, QString::fromUtf8(table));
    QStringList names;
    while (info.step())
        names << info.text(0);
    return names;
}

} // namespace

FileKnowledgeBase::FileKnowledgeBase(const QString &path, const FileSystemProbe &onNetwork)
    : KnowledgeBase(path)
{
    if (QFileInfo(path).isDir())
        throw KbError(QStringLiteral("%1 is a folder").arg(shownLocation(path)), 0,
                      KbCause::Folder);
    if (!QFileInfo::exists(path))
        createFile();
    openExisting();
    configureConnection(onNetwork(QFileInfo(path).absolutePath()));
    noteFileAsSeen();
}

// A clean close leaves the file whole and nothing beside it: the log is merged, and SQLite
// removes it and its index once the last handle closes. An interruption meant for the last call
// must not stop that merge.
FileKnowledgeBase::~FileKnowledgeBase()
{
    if (!m_db || m_db->isReadOnly())
        return;
    m_db->clearInterrupt();
    if (!m_writeAheadLog || m_keepLog)
        return;
    try {
        if (!m_db->mergeLog(ClosingMergePatience))
            qCWarning(lcKb).noquote() << "another program still reads" << shownLocation(path())
                                      << "; the last writes stay in its log until it is done";
    } catch (const KbError &error) {
        qCWarning(lcKb).noquote() << "could not merge the log of" << shownLocation(path())
                                  << "on closing:" << error.message();
    }
}

// The new file is built beside its place under a name of its own and moved there with both
// tables in it: a program killed while creating it leaves no empty file behind that would then
// be refused as not a knowledge base. When another program put a file there meanwhile, that
// one is kept.
void FileKnowledgeBase::createFile()
{
    if (path().isEmpty())
        throw KbError(QStringLiteral("no database file named"));
    const QString building =
        path() + u".%1.new"_s.arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
    try {
        sql::Database db(building, sql::Database::Mode::CreateNew);
        sql::Transaction transaction(db);
        db.exec(stampStatement(nextWriteStamp(0)).constData());
        db.exec(TableSql);
        db.exec(InsertTriggerSql);
        db.exec(UpdateTriggerSql);
        transaction.commit();
    } catch (const KbError &error) {
        QFile::remove(building);
        QFile::remove(building + u"-journal"_s);
        throw KbError(error.message().replace(shownLocation(building), shownLocation(path())),
                      error.code(), error.cause());
    }
    if (!renameWithoutReplacing(building, path()))
        QFile::remove(building);
}

void FileKnowledgeBase::openExisting()
{
    const LogState log = prepareLog();
    if (log == LogState::ForeignLeftBeside) {
        // Read as it stands: opened the usual way, SQLite would play that log into it.
        openReadOnly(false);
        return;
    }
    // A file this user may not write is read as it stands, like one in a read-only folder:
    // opened the usual way, SQLite would make its -wal and -shm files beside it and, unable to
    // clean up after a reader, leave them there.
    if (!QFileInfo(path()).isWritable() && QFileInfo(path()).isReadable()) {
        openReadOnly(log == LogState::OwnToPlay);
        return;
    }
    try {
        m_db = std::make_unique<sql::Database>(path(), sql::Database::Mode::OpenExisting);
        checkSchema();
    } catch (const KbError &error) {
        // In a folder this user may only read, SQLite cannot set up the files its write-ahead
        // log needs beside the knowledge base, and even reading fails. Nobody can change the
        // file there, so it is read as it stands; writes then report that it is read-only.
        if (error.code() != SQLITE_READONLY && error.code() != SQLITE_CANTOPEN)
            throw;
        openReadOnly(log == LogState::OwnToPlay);
    }
}

// A log left beside the file by a program that stopped before merging it is SQLite's to play,
// when it was written for this very file. One written for another (the file was replaced after
// it: a backup restored, another file moved here) would tear this one apart, and goes aside.
FileKnowledgeBase::LogState FileKnowledgeBase::prepareLog()
{
    const LogCheck check = checkWriteAheadLog(path());
    if (check.verdict == LogCheck::Verdict::NoLog)
        return LogState::None;
    if (check.verdict == LogCheck::Verdict::Belongs)
        return LogState::OwnToPlay;
    const QString log = shownLocation(path() + u"-wal"_s);
    QString error;
    if (const std::optional<QString> aside = setLogAside(path(), &error)) {
        qCWarning(lcKb).noquote() << "the log" << log << "was not written for"
                                  << shownLocation(path()) << u"(%1):"_s.arg(check.reason)
                                  << "moved aside to" << shownLocation(*aside)
                                  << "and the file opened as it is";
        return LogState::None;
    }
    qCWarning(lcKb).noquote() << "the log" << log << "was not written for" << shownLocation(path())
                              << u"(%1) and cannot be moved aside (%2):"_s.arg(check.reason, error)
                              << "the file is read as it is, without it";
    return LogState::ForeignLeftBeside;
}

// For a file this user may not write. Without a log to play, nothing can change the file while
// it is read. With one, the file is read through it, which needs SQLite's index of the log
// beside it: where that cannot be made, the file is refused rather than read without its
// newest entries.
void FileKnowledgeBase::openReadOnly(bool withLog)
{
    if (!withLog) {
        m_db = std::make_unique<sql::Database>(path(), sql::Database::Mode::ReadUnchanging);
        checkSchema();
        return;
    }
    try {
        m_db = std::make_unique<sql::Database>(path(), sql::Database::Mode::ReadOnly);
        checkSchema();
    } catch (const KbError &error) {
        throw KbError(
            QStringLiteral("%1 has writes in its log %2 that are not yet merged into it, "
                           "and they cannot be read without write access (%3): let "
                           "this user write the file and its folder, or open it once "
                           "as its owner")
                .arg(shownLocation(path()), shownLocation(path() + u"-wal"_s), error.message()),
            error.code());
    }
}

void FileKnowledgeBase::checkSchema()
{
    // Only reads: a file that turns out not to be ours must stay exactly as it was.
    const QStringList words = columnsOf(*m_db, "言葉");
    const QStringList characters = columnsOf(*m_db, "キャラクター");
    const QStringList expectedWords = {u"ID"_s, u"言葉"_s, u"意味"_s, u"照合語"_s, u"リンク"_s};
    const QStringList expectedCharacters = {u"ID"_s, u"キャラクター番号"_s};
    if (words.mid(0, 5) == expectedWords && characters.mid(0, 2) == expectedCharacters)
        return;
    throw KbError(QStringLiteral("%1 is not a knowledge base").arg(shownLocation(path())), 0,
                  schemaMismatch(words, characters));
}

// A file with neither table holds another program's data, or nothing at all (an empty file: no
// database can be empty on disk); one with either table is a knowledge base of another shape.
KbCause FileKnowledgeBase::schemaMismatch(const QStringList &words, const QStringList &characters)
{
    if (!words.isEmpty() || !characters.isEmpty())
        return KbCause::WrongShape;
    sql::Statement anything(*m_db, "SELECT 1 FROM sqlite_schema LIMIT 1");
    return anything.step() ? KbCause::OtherProgram : KbCause::Damaged;
}

void FileKnowledgeBase::configureConnection(bool onNetwork)
{
    if (sqlite3_create_function_v2(m_db->handle(), "donguri_match", 2,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   matchFunction, nullptr, nullptr, nullptr)
        != SQLITE_OK)
        m_db->fail("register match function");
    if (m_db->isReadOnly())
        return; // reading a write-protected file still works; writes will report the error
    // A file that was moved onto a share in WAL mode is switched back; that waits for, and
    // fails while, another program on this computer still has it open in WAL mode.
    m_db->exec(onNetwork ? "PRAGMA journal_mode = DELETE" : "PRAGMA journal_mode = WAL");
    m_writeAheadLog = !onNetwork;
    // Every write is merged into the file as soon as it is committed, and the merge syncs the
    // log before the file: a commit that synced the log as well would pay for it twice. A write
    // the merge cannot take is synced in the log (Database::mergeLog). A rollback journal keeps
    // the full sync.
    m_db->exec(m_writeAheadLog ? "PRAGMA synchronous = NORMAL" : "PRAGMA synchronous = FULL");
    upgradeSchema();
    // A log played on opening is merged at once, so the file is whole by itself again.
    if (m_writeAheadLog)
        mergeLog();
}

template <typename Body>
auto FileKnowledgeBase::write(Body &&body)
{
    ++m_ownWrites;
    sql::Transaction transaction(*m_db);
    moveWriteStamp();
    if constexpr (std::is_void_v<std::invoke_result_t<Body>>) {
        body();
        transaction.commit();
        mergeLog();
    } else {
        auto result = body();
        transaction.commit();
        mergeLog();
        return result;
    }
}

void FileKnowledgeBase::moveWriteStamp()
{
    qint32 current = 0;
    {
        Use read(statement(m_writeStamp, "PRAGMA user_version"));
        if (read->step())
            current = qint32(read->integer(0));
    }
    m_db->exec(stampStatement(nextWriteStamp(current)).constData());
}

// The write is committed before this runs: a merge that cannot finish loses nothing, it only
// leaves the write in the log a while longer.
void FileKnowledgeBase::mergeLog()
{
    if (m_writeAheadLog) {
        try {
            if (!m_db->mergeLog(MergePatience))
                qCDebug(lcKb).noquote() << "another program reads" << shownLocation(path())
                                        << ": part of the log is merged later";
        } catch (const KbError &error) {
            qCWarning(lcKb).noquote()
                << "could not merge the log of" << shownLocation(path()) << ":" << error.message();
        }
    }
    noteFileAsSeen();
}

void FileKnowledgeBase::noteFileAsSeen()
{
    m_seenFile = fileIdentity(path());
    m_seenHeader = fileBeginning(path(), FileHeaderBytes);
}

KnowledgeBase::Underneath FileKnowledgeBase::changedUnderneath()
{
    // Deleted, or another file renamed to this name: the handle holds a file that is not there.
    if (fileIdentity(path()) != m_seenFile)
        return Underneath::Replaced;
    if (fileBeginning(path(), FileHeaderBytes) == m_seenHeader)
        return Underneath::Same;
    // The same file with another header: another program wrote to it, or a file was copied over
    // it. In both cases what this handle remembers of it may be out of date; in the second its
    // log belongs to what was there before, and must not be merged into what is there now.
    m_keepLog = true;
    m_db->keepLogOnClose();
    return Underneath::Rewritten;
}

// Files written by earlier versions have triggers that rewrite the match column after every
// insert; they are replaced once by the ones that act only on a wrong value.
void FileKnowledgeBase::upgradeSchema()
{
    const auto upToDate = [this] {
        sql::Statement current(*m_db, "SELECT sql FROM sqlite_schema WHERE name = '言葉_追加'");
        return current.step() && current.text(0).contains(u"WHEN");
    };
    if (upToDate())
        return;
    sql::Transaction transaction(*m_db);
    if (upToDate()) // another program upgraded it meanwhile
        return;
    moveWriteStamp();
    m_db->exec("DROP TRIGGER IF EXISTS 言葉_追加; DROP TRIGGER IF EXISTS 言葉_変更;");
    m_db->exec(InsertTriggerSql);
    m_db->exec(UpdateTriggerSql);
    transaction.commit();
}

sql::Statement &FileKnowledgeBase::statement(std::unique_ptr<sql::Statement> &slot,
                                             const char *text)
{
    if (!slot)
        slot = std::make_unique<sql::Statement>(*m_db, text);
    return *slot;
}

std::optional<qint32> FileKnowledgeBase::findWord(const QString &word)
{
    Use query(statement(m_findWord, "SELECT ID FROM 言葉 WHERE 照合語 = ?1 ORDER BY ID LIMIT 1"));
    query->bind(1, withoutTrailingBlanks(word));
    if (!query->step())
        return std::nullopt;
    return qint32(query->integer(0));
}

std::optional<Entry> FileKnowledgeBase::entry(qint32 id)
{
    Use query(statement(m_entry, "SELECT ID, 言葉, 意味, リンク FROM 言葉 WHERE ID = ?1"));
    query->bind(1, qint64(id));
    if (!query->step())
        return std::nullopt;
    return entryFrom(*query);
}

// The meaning's type is read without its text (SQLite looks at the record header only); the
// text's first bytes come through SQLite's incremental I/O, which reads only the pages they lie
// on. A meaning that is not text, or a read that fails, is read the ordinary way.
std::optional<Entry> FileKnowledgeBase::entryBeginning(qint32 id, qsizetype maxChars)
{
    Entry found;
    {
        Use query(statement(m_entryHead,
                            "SELECT ID, 言葉, typeof(意味), リンク FROM 言葉 WHERE ID = ?1"));
        query->bind(1, qint64(id));
        if (!query->step())
            return std::nullopt;
        found.id = qint32(query->integer(0));
        found.word = query->text(1);
        found.link = query->text(3);
        const QByteArrayView type = query->bytes(2);
        if (type == "null")
            return found;
        if (type != "text")
            return KnowledgeBase::entryBeginning(id, maxChars);
    }
    // A UTF-16 unit takes at most three UTF-8 bytes (a pair of them four).
    const std::optional<QByteArray> bytes = meaningBytes(id, maxChars * 3);
    if (!bytes)
        return KnowledgeBase::entryBeginning(id, maxChars);
    // Stateful: a character cut off at the end of the bytes is left out, not made U+FFFD.
    QStringDecoder utf8(QStringDecoder::Utf8);
    found.meaning = textBeginning(utf8(*bytes), maxChars);
    return found;
}

// Up to `maxBytes` of the entry's meaning as stored, or nullopt when they cannot be read so.
std::optional<QByteArray> FileKnowledgeBase::meaningBytes(qint32 id, qsizetype maxBytes)
{
    sqlite3_blob *blob = nullptr;
    if (sqlite3_blob_open(m_db->handle(), "main", "言葉", "意味", id, 0, &blob) != SQLITE_OK) {
        sqlite3_blob_close(blob);
        return std::nullopt;
    }
    QByteArray bytes(std::min<qsizetype>(sqlite3_blob_bytes(blob), maxBytes), Qt::Uninitialized);
    const bool read = sqlite3_blob_read(blob, bytes.data(), int(bytes.size()), 0) == SQLITE_OK;
    sqlite3_blob_close(blob);
    return read ? std::optional<QByteArray>(bytes) : std::nullopt;
}

qint64 FileKnowledgeBase::singleNumber(std::unique_ptr<sql::Statement> &slot, const char *text)
{
    Use query(statement(slot, text));
    query->step();
    return query->integer(0);
}

qint64 FileKnowledgeBase::countAll()
{
    return singleNumber(m_countAll, "SELECT count(*) FROM 言葉");
}

std::optional<qint64> FileKnowledgeBase::changeToken()
{
    return (singleNumber(m_dataVersion, "PRAGMA data_version") << 32) + m_ownWrites;
}

// A pattern is answered from the word index alone: a literal prefix narrows it to a range (which
// settles "あい*" by itself), and the match function checks the rest.
sql::Statement &FileKnowledgeBase::patternStatement(const WordPattern &pattern, bool count)
{
    static const char *const filters[3] = {
        "照合語 >= ?2 AND 照合語 < ?3",
        "照合語 >= ?2 AND 照合語 < ?3 AND donguri_match(?1, 照合語)",
        "donguri_match(?1, 照合語)",
    };
    const int shape = pattern.isPrefixOnly() ? 0 : pattern.literalPrefix().isEmpty() ? 2 : 1;
    std::unique_ptr<sql::Statement> &slot = m_patterns[shape][count ? 1 : 0];
    if (!slot) {
        const QByteArray text = QByteArray(count ? "SELECT count(*)" : "SELECT ID")
                                + " FROM 言葉 WHERE " + filters[shape];
        slot = std::make_unique<sql::Statement>(*m_db, text.constData());
    }
    if (shape != 0)
        slot->bind(1, pattern.utf8());
    if (shape != 2)
        slot->bind(2, pattern.literalPrefix()).bind(3, pattern.prefixUpperBound());
    return *slot;
}

qint64 FileKnowledgeBase::countOnly(const QString &pattern)
{
    const WordPattern compiled(pattern);
    if (compiled.matchesEverything())
        return countAll();
    Use query(patternStatement(compiled, true));
    query->step();
    return query->integer(0);
}

MatchIds FileKnowledgeBase::findMatches(const QString &pattern)
{
    const WordPattern compiled(pattern);
    if (compiled.matchesEverything())
        return everyEntry();
    Use query(patternStatement(compiled, false));
    std::vector<qint32> ids;
    while (query->step())
        ids.push_back(qint32(query->integer(0)));
    return MatchIds::of(std::move(ids));
}

// Entries are never deleted by the program, so their IDs usually run without a gap from the
// first to the last: then three lookups in the trees answer a lone `*`, without a scan.
MatchIds FileKnowledgeBase::everyEntry()
{
    const qint64 count = countAll();
    const auto span = idSpan();
    if (count == 0 || !span)
        return {};
    if (span->second - span->first + 1 == count)
        return MatchIds::run(qint32(span->first), count);
    Use query(statement(m_allIds, "SELECT ID FROM 言葉 INDEXED BY 言葉_照合語"));
    std::vector<qint32> ids;
    ids.reserve(size_t(count));
    while (query->step())
        ids.push_back(qint32(query->integer(0)));
    return MatchIds::of(std::move(ids));
}

std::optional<std::pair<qint64, qint64>> FileKnowledgeBase::idSpan()
{
    Use first(statement(m_firstId, "SELECT min(ID) FROM 言葉"));
    if (!first->step() || first->isNull(0))
        return std::nullopt;
    return std::pair{first->integer(0), singleNumber(m_lastId, "SELECT max(ID) FROM 言葉")};
}

QList<WordRow> FileKnowledgeBase::wordsOf(const std::vector<qint32> &ids)
{
    // A page of a lone * is usually one unbroken run of IDs: one range read serves it.
    if (isUnbrokenRun(ids)) {
        Use query(statement(m_wordRange, "SELECT ID, 言葉 FROM 言葉 WHERE ID BETWEEN ?1 AND ?2"
                                         " ORDER BY ID"));
        query->bind(1, qint64(ids.front())).bind(2, qint64(ids.back()));
        QList<WordRow> rows;
        while (query->step())
            rows.append({qint32(query->integer(0)), query->text(1)});
        return rows;
    }
    static const QByteArray text = [] {
        QByteArray sql = "SELECT ID, 言葉 FROM 言葉 WHERE ID IN (?1";
        for (int i = 2; i <= WordsPerStatement; ++i)
            sql += ", ?" + QByteArray::number(i);
        return sql + ") ORDER BY ID";
    }();
    QList<WordRow> rows;
    for (size_t from = 0; from < ids.size(); from += WordsPerStatement) {
        Use query(statement(m_words, text.constData()));
        for (int i = 0; i < WordsPerStatement && from + i < ids.size(); ++i)
            query->bind(i + 1, qint64(ids[from + i])); // the rest stay Null and match nothing
        while (query->step())
            rows.append({qint32(query->integer(0)), query->text(1)});
    }
    return rows;
}

qint32 FileKnowledgeBase::add(const QString &word, const QString &meaning, const QString &link)
{
    return write([&] {
        Use query(statement(m_add, InsertEntrySql));
        query->bind(1, word).bind(2, meaning).bind(3, link);
        query->run();
        return qint32(sqlite3_last_insert_rowid(m_db->handle()));
    });
}

qint64 FileKnowledgeBase::addAll(const std::function<std::optional<NewEntry>()> &next,
                                 const std::function<void(qint64 added)> &added)
{
    return write([&] { return addEach(next, added); });
}

qint64 FileKnowledgeBase::addEach(const std::function<std::optional<NewEntry>()> &next,
                                  const std::function<void(qint64 added)> &added)
{
    // Every row here sets its match column itself, and no other writer can add rows before the
    // commit, so the insert trigger (which checks each row for other writers' sake) is set
    // aside until then: with it a million rows take nearly twice as long.
    const bool hadTrigger = hasInsertTrigger();
    if (hadTrigger)
        m_db->exec("DROP TRIGGER 言葉_追加");
    qint64 count = 0;
    {
        // Reset before the trigger is made again, and before a rollback runs.
        Use insert(statement(m_add, InsertEntrySql));
        while (std::optional<NewEntry> entry = next()) {
            // The text is held as UTF-8 alone while SQLite stores it: a meaning of many
            // megabytes then takes memory for two copies of it (these bytes and SQLite's
            // record), not four.
            const QByteArray word = entry->word.toUtf8();
            const QByteArray meaning = entry->meaning.toUtf8();
            const QByteArray link = entry->link.toUtf8();
            entry.reset();
            insert->bindUnowned(1, word).bindUnowned(2, meaning).bindUnowned(3, link);
            insert->run();
            insert->reset();
            ++count;
            if (added)
                added(count);
        }
    }
    if (hadTrigger)
        m_db->exec(InsertTriggerSql);
    return count;
}

bool FileKnowledgeBase::hasInsertTrigger()
{
    sql::Statement trigger(*m_db, "SELECT 1 FROM sqlite_schema WHERE name = '言葉_追加'");
    return trigger.step();
}

void FileKnowledgeBase::forEachEntryUtf8(const std::function<void(const Utf8Entry &)> &visit)
{
    Use query(statement(m_allEntries, "SELECT ID, 言葉, 意味, リンク FROM 言葉 ORDER BY ID"));
    while (query->step()) {
        Utf8Entry entry{qint32(query->integer(0)), query->bytes(1), std::nullopt, query->bytes(3)};
        if (!query->isNull(2))
            entry.meaning = query->bytes(2);
        visit(entry);
    }
}

namespace {

class StatementReader final : public EntryReader
{
public:
    explicit StatementReader(sql::Statement &statement) : m_query(statement) {}

    std::optional<Entry> next() override
    {
        // SQLite would start the statement over after its last row.
        if (m_done || !m_query->step()) {
            m_done = true;
            return std::nullopt;
        }
        return entryFrom(*m_query);
    }

private:
    Use m_query;
    bool m_done = false;
};

} // namespace

std::unique_ptr<EntryReader> FileKnowledgeBase::readEntries()
{
    return std::make_unique<StatementReader>(
        statement(m_allEntries, "SELECT ID, 言葉, 意味, リンク FROM 言葉 ORDER BY ID"));
}

qint64 FileKnowledgeBase::fillEmpty(const std::function<std::optional<Entry>()> &next,
                                    std::optional<qint16> characterChoice,
                                    const std::function<void(qint64 added)> &added)
{
    return write([&] { return fillEach(next, characterChoice, added); });
}

qint64 FileKnowledgeBase::fillEach(const std::function<std::optional<Entry>()> &next,
                                   std::optional<qint16> characterChoice,
                                   const std::function<void(qint64 added)> &added)
{
    if (sql::Statement any(*m_db, "SELECT 1 FROM 言葉 LIMIT 1"); any.step())
        throw KbError(QStringLiteral("%1 already holds entries").arg(shownLocation(path())));
    Use insert(statement(m_addWithId, InsertEntryWithIdSql));
    qint64 count = 0;
    while (const std::optional<Entry> entry = next()) {
        insert->bind(1, qint64(entry->id)).bind(2, entry->word).bind(4, entry->link);
        if (entry->meaning)
            insert->bind(3, *entry->meaning);
        insert->run();
        insert->reset(); // clears the meaning too, so a Null meaning stays Null
        if (added)
            added(++count);
        else
            ++count;
    }
    m_db->exec("DELETE FROM キャラクター");
    if (characterChoice) {
        sql::Statement choose(*m_db,
                              "INSERT INTO キャラクター (ID, キャラクター番号) VALUES (1, ?1)");
        choose.bind(1, qint64(*characterChoice));
        choose.run();
    }
    return count;
}

qint64 FileKnowledgeBase::storedBytes()
{
    return QFileInfo(path()).size();
}

QStringList FileKnowledgeBase::integrityProblems()
{
    sql::Statement check(*m_db, "PRAGMA integrity_check");
    QStringList findings;
    while (check.step())
        findings << check.text(0);
    // A sound file answers with the single row "ok".
    if (findings == QStringList{u"ok"_s})
        return {};
    return findings;
}

void FileKnowledgeBase::update(qint32 id, const QString &word, const QString &meaning,
                               const QString &link)
{
    write([&] {
        Use query(statement(m_update, UpdateEntrySql));
        query->bind(1, qint64(id)).bind(2, word).bind(3, meaning).bind(4, link);
        query->run();
        if (sqlite3_changes(m_db->handle()) == 0)
            throw KbError(QStringLiteral("no entry with ID %1").arg(id));
    });
}

std::optional<qint16> FileKnowledgeBase::characterChoice()
{
    Use query(statement(m_choice, "SELECT キャラクター番号 FROM キャラクター WHERE ID = 1"));
    if (!query->step() || query->type(0) != SQLITE_INTEGER)
        return std::nullopt;
    const qint64 value = query->integer(0);
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

void FileKnowledgeBase::repairCharacterChoice()
{
    write([&] {
        Use query(statement(m_repair, "INSERT INTO キャラクター (キャラクター番号) VALUES (1)"));
        query->run();
    });
}

void FileKnowledgeBase::interrupt()
{
    sqlite3_interrupt(m_db->handle());
}

void FileKnowledgeBase::settleInterrupt()
{
    m_db->clearInterrupt();
}

} // namespace donguri

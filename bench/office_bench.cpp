// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri_office_bench: an office of many desktops sharing one knowledge base on a PostgreSQL
// server, straight or through PgBouncer. Each desktop has its own question service (the
// program's own, with its worker thread and its one handle, closed after a while without calls
// and opened again by the next) and makes the windows' calls on it from an event-loop thread it
// shares with other desktops. It asks at random moments: nine questions in ten are words
// (found, or now and then not), one in ten a pattern (the bar's one call for the count and the
// list's first page), one in twenty a teach. One more desktop imports entries meanwhile, in one
// transaction as donguri-kb does. Run it through scripts/bench.
//
// The server is a private cluster kept in <data-dir>/pg-office; the knowledge base is copied
// afresh for each run from one filled once with the generated file kb-<entries>.mdb. The
// desktops log in as `office`, the database's owner and no superuser, as in an office.
//
// Output:
//   BENCH office_<operation> <desktops> <count> <p50_ms> <p99_ms> <max_ms> <errors>
//   BENCH office_peak_server_connections <desktops> <peak> <refused>
//   BENCH office_import <desktops> <entries> <seconds>
// Lines starting with # are informational.

#include "editors/match_list_model.h"
#include "entry_generator.h"
#include "kb/file_knowledge_base.h"
#include "kb/kb_error.h"
#include "kb/question_service.h"
#include "kb/server_knowledge_base.h"
#include "kb_file.h"
#include "support/pg_bouncer.h"
#include "support/pg_cluster.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <libpq-fe.h>
#include <map>
#include <mutex>
#include <sys/resource.h>

using namespace donguri;
using namespace donguri::bench;
using namespace donguri::testing;
using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

struct Options
{
    QString dataDirectory;
    int desktops = 200;
    double intervalSeconds = 60;
    bool poissonArrivals = true; // else uniform within ±50 % of the interval
    int poolSize = 0;            // 0: straight to the server
    int maxConnections = 100;
    int entries = 100000;
    int importEntries = 1000000;
    double minimumSeconds = 120;
    double idleCloseSeconds = 30;
    double crowdedIdleCloseSeconds = 5; // while the server is at least half full
    int windowThreads = 8;              // event loops the desktops' windows share
};

std::chrono::milliseconds milliseconds(double seconds)
{
    return std::chrono::milliseconds(qint64(std::llround(seconds * 1000)));
}

Options parseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Many desktops asking one PostgreSQL knowledge base."_s);
    parser.addHelpOption();
    const auto option = [&parser](const QString &name, const QString &text, const QString &value) {
        parser.addOption({name, text, u"value"_s, value});
    };
    option(u"data-dir"_s, u"where the generated files and the cluster are kept"_s, u"."_s);
    option(u"desktops"_s, u"number of desktops"_s, u"200"_s);
    option(u"interval"_s, u"seconds between one desktop's questions, on average"_s, u"60"_s);
    option(u"arrivals"_s, u"poisson, or uniform (within ±50 % of the interval)"_s, u"poisson"_s);
    option(u"pool"_s, u"PgBouncer's pool size; 0 goes straight to the server"_s, u"0"_s);
    option(u"max-connections"_s, u"the server's max_connections"_s, u"100"_s);
    option(u"entries"_s, u"entries in the knowledge base at the start"_s, u"100000"_s);
    option(u"import"_s, u"entries one desktop imports during the run (0: none)"_s, u"1000000"_s);
    option(u"seconds"_s, u"the shortest run; it lasts until 15 s after the import"_s, u"120"_s);
    option(u"idle-close"_s, u"seconds without a question before a desktop disconnects"_s, u"30"_s);
    option(u"crowded-idle-close"_s, u"the same while the server is at least half full"_s, u"5"_s);
    option(u"window-threads"_s, u"event-loop threads the desktops' windows share"_s, u"8"_s);
    parser.process(app);
    Options options;
    options.dataDirectory = parser.value(u"data-dir"_s);
    options.desktops = parser.value(u"desktops"_s).toInt();
    options.intervalSeconds = parser.value(u"interval"_s).toDouble();
    options.poissonArrivals = parser.value(u"arrivals"_s) != u"uniform";
    options.poolSize = parser.value(u"pool"_s).toInt();
    options.maxConnections = parser.value(u"max-connections"_s).toInt();
    options.entries = parser.value(u"entries"_s).toInt();
    options.importEntries = parser.value(u"import"_s).toInt();
    options.minimumSeconds = parser.value(u"seconds"_s).toDouble();
    options.idleCloseSeconds = parser.value(u"idle-close"_s).toDouble();
    options.crowdedIdleCloseSeconds = parser.value(u"crowded-idle-close"_s).toDouble();
    options.windowThreads = parser.value(u"window-threads"_s).toInt();
    return options;
}

// pattern is the bar's answer to a pattern question: its count and the list's first page. Each
// is timed apart while the import is at work, as the import takes most of the machine then.
enum Operation {
    Find,
    Pattern,
    Teach,
    FindDuringImport,
    PatternDuringImport,
    TeachDuringImport,
    OperationCount
};
const char *const OperationNames[] = {"find",
                                      "pattern",
                                      "teach",
                                      "find_during_import",
                                      "pattern_during_import",
                                      "teach_during_import"};
constexpr Operation duringImport(Operation operation)
{
    return Operation(operation + FindDuringImport);
}

// What went wrong, by kind: a connection the server refused (max_connections), an answer that
// did not come in time, anything else.
struct Errors
{
    qint64 refused = 0;
    qint64 timedOut = 0;
    qint64 other = 0;
    QStringList examples;

    qint64 total() const { return refused + timedOut + other; }
    void note(const KbError &error) { note(error.message()); }
    // The question service hands back a failure's text only.
    void note(const QString &message)
    {
        if (message.contains(u"too many clients") || message.contains(u"connection slots"))
            ++refused;
        else if (message.contains(u"no answer from the server within"))
            ++timedOut;
        else
            ++other;
        if (examples.size() < 3)
            examples << message;
    }
    void add(const Errors &more)
    {
        refused += more.refused;
        timedOut += more.timedOut;
        other += more.other;
        for (const QString &example : more.examples)
            if (examples.size() < 5)
                examples << example;
    }
};

// One timed question: how long it took, when in the run it was asked, and whether it opened the
// handle first; the slowest are listed to tell what made them slow.
struct Sample
{
    qint64 ns;
    double atSeconds;
    bool opening;
    QString pattern; // a pattern question's pattern
    bool operator<(const Sample &other) const { return ns < other.ns; }
};

struct Record
{
    std::array<QList<Sample>, OperationCount> samples;
    std::array<Errors, OperationCount> errors;
    int opened = 0;     // questions that opened the handle first
    int overtaking = 0; // questions asked while an earlier one was on its way
};

// The run's shared state: when it ends, whether the import is at work.
class Run
{
public:
    explicit Run(Clock::time_point start) : m_start(start) {}

    Clock::time_point start() const { return m_start; }
    // Waits until `when` or the end of the run; false when the run ended.
    bool sleepUntil(Clock::time_point when)
    {
        std::unique_lock lock(m_mutex);
        return !m_ended.wait_until(lock, when, [this] { return m_over; });
    }
    bool over()
    {
        std::lock_guard lock(m_mutex);
        return m_over;
    }
    void end()
    {
        {
            std::lock_guard lock(m_mutex);
            m_over = true;
        }
        m_ended.notify_all();
    }
    std::atomic<bool> importing{false};

private:
    Clock::time_point m_start;
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_over = false;
};

struct Questions
{
    QStringList storedWords;
    QStringList patterns;
};

// A pattern of each shape from a stored word: its start, its end, a piece of its middle.
QString patternFrom(const QString &word, int shape)
{
    const QString plain = word.trimmed();
    if (plain.size() < 3)
        return plain + u"*"_s;
    switch (shape % 3) {
    case 0:
        return plain.left(2) + u"*"_s;
    case 1:
        return u"*"_s + plain.right(2);
    default:
        return u"*"_s + plain.mid(plain.size() / 2 - 1, 2) + u"*"_s;
    }
}

Questions questionsFrom(ServerKnowledgeBase &kb, int entries)
{
    Questions questions;
    QRandomGenerator random(42);
    while (questions.storedWords.size() < 256) {
        const std::optional<Entry> entry = kb.entry(qint32(random.bounded(entries) + 1));
        if (entry && !entry->word.contains(u'*'))
            questions.storedWords << entry->word;
    }
    for (int i = 0; i < 96; ++i)
        questions.patterns << patternFrom(questions.storedWords[i], i);
    return questions;
}

// A desktop as the program is one: its own question service (one worker thread, one handle,
// closed after the idle time) and, on an event-loop thread standing for its window thread,
// the calls the windows make. A word question is the bar's one call (the word and the
// beginning of its entry); a pattern question is the bar's count of the matches, then the
// list's fill (which takes over the counted matches) and its first page of words; a teach is
// the entry form's write. Each is timed from the call to its answer on the window thread.
class Desktop : public QObject
{
public:
    Desktop(int number, const QString &uri, const Options &options, const Questions &questions,
            Run &run)
        : m_number(number), m_uri(uri), m_options(options), m_questions(questions), m_run(run),
          m_random(quint32(1000 + number)), m_service(new QuestionService(this)),
          m_timer(new QTimer(this))
    {
        m_service->setIdleClose(milliseconds(m_options.idleCloseSeconds));
        m_service->setIdleCloseWhenCrowded(milliseconds(m_options.crowdedIdleCloseSeconds));
        m_timer->setSingleShot(true);
        m_timer->setTimerType(Qt::PreciseTimer);
        connect(m_timer, &QTimer::timeout, this, &Desktop::ask);
    }

    // On the desktop's own thread: the desktops start at random moments over one interval, as
    // a morning does.
    void start() { askIn(m_random.generateDouble() * m_options.intervalSeconds); }
    // Stops asking; what is on its way is still answered.
    void stop() { m_timer->stop(); }

    const Record &record() const { return m_record; }
    // Calls made and not yet answered or dropped.
    int unanswered() const { return m_service->unanswered(); }

private:
    void askIn(double seconds) { m_timer->start(int(std::lround(seconds * 1000))); }

    double pause()
    {
        const double u = m_random.generateDouble();
        if (m_options.poissonArrivals)
            return -std::log(1.0 - u) * m_options.intervalSeconds;
        return m_options.intervalSeconds * (0.5 + u);
    }

    void ask()
    {
        if (m_run.over())
            return;
        askIn(pause());
        const double kind = m_random.generateDouble();
        const Operation operation = kind < 0.05 ? Teach : kind < 0.15 ? Pattern : Find;
        const Operation recorded = m_run.importing.load() ? duringImport(operation) : operation;
        // A question still on its way when the next is asked: a word or pattern question
        // takes over one still in the bar, which is then not timed.
        if (m_service->unanswered() > 0)
            ++m_record.overtaking;
        m_opening = !m_service->holdsHandle();
        if (m_opening)
            ++m_record.opened;
        const Clock::time_point started = Clock::now();
        if (operation == Teach)
            teach(recorded, started);
        else if (operation == Pattern)
            askPattern(recorded, started);
        else
            askWord(recorded, started);
    }

    template <typename T>
    void call(QuestionService::Lane lane, std::function<T(KnowledgeBase &)> work,
              std::function<void(Reply<T>)> done)
    {
        m_service->call<T>(lane, m_uri, this, std::move(work), std::move(done));
    }

    void answered(Operation operation, Clock::time_point started, const QString &error,
                  const QString &pattern = {})
    {
        if (error.isEmpty())
            m_record.samples[operation].append(
                {(Clock::now() - started).count(),
                 std::chrono::duration<double>(started - m_run.start()).count(), m_opening,
                 pattern});
        else
            m_record.errors[operation].note(error);
    }

    // One in ten is not there.
    void askWord(Operation recorded, Clock::time_point started)
    {
        const QStringList &words = m_questions.storedWords;
        const QString word = m_random.bounded(10) == 0
                                 ? u"知らない言葉%1"_s.arg(m_random.bounded(100000))
                                 : words[m_random.bounded(int(words.size()))];
        call<std::optional<Entry>>(
            QuestionService::Lane::Question,
            [word](KnowledgeBase &kb) -> std::optional<Entry> {
                const std::optional<qint32> id = kb.findWord(word);
                if (!id)
                    return std::nullopt;
                if (std::optional<Entry> entry = kb.entryBeginning(*id, PresentedMeaningChars))
                    return entry;
                throw KbError(u"entry %1 has gone"_s.arg(*id));
            },
            [this, recorded, started](const Reply<std::optional<Entry>> &reply) {
                answered(recorded, started, reply.error);
            });
    }

    void askPattern(Operation recorded, Clock::time_point started)
    {
        const QStringList &patterns = m_questions.patterns;
        const QString pattern = patterns[m_random.bounded(int(patterns.size()))];
        call<qint64>(
            QuestionService::Lane::Question,
            [pattern](KnowledgeBase &kb) {
                return kb.matchPreview(pattern, MatchListModel::RowsPerPage).ids->size();
            },
            [this, recorded, started, pattern](const Reply<qint64> &reply) {
                answered(recorded, started, reply.error, pattern);
            });
    }

    void teach(Operation recorded, Clock::time_point started)
    {
        const QString word = u"事務所%1の言葉%2"_s.arg(m_number).arg(++m_taught);
        call<bool>(
            QuestionService::Lane::Edit,
            [word](KnowledgeBase &kb) {
                kb.add(word, u"事務所のベンチマークで教えた意味です。"_s, {});
                return true;
            },
            [this, recorded, started](const Reply<bool> &reply) {
                answered(recorded, started, reply.error);
            });
    }

    // As much of a meaning as the balloon shows.
    static constexpr qsizetype PresentedMeaningChars = 64 * 1024 + 1;

    int m_number;
    bool m_opening = false; // whether the question being asked opens the handle first
    QString m_uri;
    const Options &m_options;
    const Questions &m_questions;
    Run &m_run;
    QRandomGenerator m_random;
    QuestionService *m_service;
    QTimer *m_timer;
    Record m_record;
    int m_taught = 0;
};

// Counts the server's connections to the database every 100 ms: all of them, and those whose
// application name is the program's.
class ConnectionCounter
{
public:
    ConnectionCounter(const QString &uri, const QString &database)
        : m_conn(PQconnectdb(uri.toUtf8().constData())), m_database(database.toUtf8())
    {
    }
    ~ConnectionCounter() { PQfinish(m_conn); }

    void sample()
    {
        const char *values[] = {m_database.constData()};
        PGresult *result =
            PQexecParams(m_conn,
                         "SELECT count(*), count(*) FILTER (WHERE application_name = 'donguri')"
                         " FROM pg_stat_activity WHERE datname = $1 AND pid <> pg_backend_pid()",
                         1, nullptr, values, nullptr, nullptr, 0);
        if (PQresultStatus(result) == PGRES_TUPLES_OK) {
            peak = std::max(peak, QByteArray(PQgetvalue(result, 0, 0)).toInt());
            peakOfTheProgram =
                std::max(peakOfTheProgram, QByteArray(PQgetvalue(result, 0, 1)).toInt());
        }
        PQclear(result);
    }

    int peak = 0;
    int peakOfTheProgram = 0;

private:
    PGconn *m_conn;
    QByteArray m_database;
};

// The knowledge base of `entries` generated entries, owned by `office`, filled once and kept as
// a template for the runs.
QString templateDatabase(TestCluster &cluster, const Options &options)
{
    const QString name = u"office_base_%1"_s.arg(options.entries);
    if (cluster.hasDatabase(name))
        return name;
    const QString file = cachedKnowledgeBase(options.dataDirectory, options.entries);
    if (!cluster.exec(u"postgres"_s, u"CREATE DATABASE %1 OWNER office"_s.arg(name)))
        throw std::runtime_error(cluster.problem().toStdString());
    {
        FileKnowledgeBase source(file);
        ServerKnowledgeBase target(cluster.uri(name, u"office"_s), OpenOptions{true, true});
        const std::unique_ptr<EntryReader> reader = source.readEntries();
        target.fillEmpty([&] { return reader->next(); }, source.characterChoice());
    }
    cluster.exec(name, u"VACUUM ANALYZE"_s);
    return name;
}

QString freshDatabase(TestCluster &cluster, const QString &base)
{
    const QString name = u"office_run"_s;
    cluster.exec(u"postgres"_s, u"DROP DATABASE IF EXISTS %1"_s.arg(name));
    if (!cluster.exec(u"postgres"_s,
                      u"CREATE DATABASE %1 TEMPLATE %2 OWNER office"_s.arg(name, base)))
        throw std::runtime_error(cluster.problem().toStdString());
    return name;
}

// The time below which `share` of the sorted samples fall, in ms.
double percentile(const QList<Sample> &sorted, double share)
{
    if (sorted.isEmpty())
        return 0.0;
    const qsizetype rank = qsizetype(std::ceil(share * double(sorted.size()))) - 1;
    return double(sorted[std::clamp<qsizetype>(rank, 0, sorted.size() - 1)].ns) / 1e6;
}

// The samples of these operations together, fastest first.
QList<Sample> samplesOf(const std::vector<Record> &records,
                        std::initializer_list<Operation> operations)
{
    QList<Sample> samples;
    for (const Record &record : records)
        for (const Operation operation : operations)
            samples += record.samples[operation];
    std::sort(samples.begin(), samples.end());
    return samples;
}

// Each operation over the whole run, the import's time and the rest together.
void reportWholeRun(const std::vector<Record> &records)
{
    for (const Operation operation : {Find, Pattern, Teach}) {
        const QList<Sample> samples = samplesOf(records, {operation, duringImport(operation)});
        out() << u"# %1 over the whole run: %2 questions, p50 %3 ms, p99 %4 ms"_s
                     .arg(QString::fromLatin1(OperationNames[operation]))
                     .arg(samples.size())
                     .arg(percentile(samples, 0.5), 0, 'f', 2)
                     .arg(percentile(samples, 0.99), 0, 'f', 2)
              << Qt::endl;
    }
}

void report(const Options &options, const std::vector<Record> &records, Errors &allErrors)
{
    for (int operation = 0; operation < OperationCount; ++operation) {
        const QList<Sample> samples = samplesOf(records, {Operation(operation)});
        Errors errors;
        for (const Record &record : records)
            errors.add(record.errors[operation]);
        allErrors.add(errors);
        const auto at = [&](double share) { return percentile(samples, share); };
        out() << u"BENCH office_%1 %2 %3 %4 %5 %6 %7"_s
                     .arg(QString::fromLatin1(OperationNames[operation]))
                     .arg(options.desktops)
                     .arg(samples.size())
                     .arg(at(0.5), 0, 'f', 2)
                     .arg(at(0.99), 0, 'f', 2)
                     .arg(samples.isEmpty() ? 0.0 : double(samples.last().ns) / 1e6, 0, 'f', 1)
                     .arg(errors.total())
              << Qt::endl;
        QStringList slowest;
        for (qsizetype i = samples.size() - 1; i >= std::max<qsizetype>(0, samples.size() - 5); --i)
            slowest << u"%1 ms at %2 s%3%4"_s.arg(double(samples[i].ns) / 1e6, 0, 'f', 1)
                           .arg(samples[i].atSeconds, 0, 'f', 1)
                           .arg(samples[i].opening ? u" (opening)"_s : QString())
                           .arg(samples[i].pattern.isEmpty() ? QString()
                                                             : u" "_s + samples[i].pattern);
        if (!slowest.isEmpty())
            out() << u"# slowest %1: %2"_s.arg(QString::fromLatin1(OperationNames[operation]),
                                               slowest.join(u", "_s))
                  << Qt::endl;
        if (errors.total() > 0)
            out() << u"# %1 errors: %2 refused, %3 timed out, %4 other; e.g. %5"_s
                         .arg(QString::fromLatin1(OperationNames[operation]))
                         .arg(errors.refused)
                         .arg(errors.timedOut)
                         .arg(errors.other)
                         .arg(errors.examples.join(u" | "_s))
                  << Qt::endl;
    }
}

// A thousand desktops hold a thousand sockets, and the pool as many again.
void allowManyOpenFiles()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 65536);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Stops the desktops asking, lets what they asked be answered (a few seconds at most), then
// takes their records and closes them, each on its own thread.
std::vector<Record> closeDesktops(const std::vector<Desktop *> &desktops)
{
    for (Desktop *desktop : desktops)
        QMetaObject::invokeMethod(desktop, [desktop] { desktop->stop(); });
    const auto unanswered = [&desktops] {
        int calls = 0;
        for (Desktop *desktop : desktops)
            QMetaObject::invokeMethod(
                desktop, [desktop, &calls] { calls += desktop->unanswered(); },
                Qt::BlockingQueuedConnection);
        return calls;
    };
    for (int wait = 0; wait < 100 && unanswered() > 0; ++wait)
        QThread::msleep(100);
    std::vector<Record> records;
    for (Desktop *desktop : desktops)
        QMetaObject::invokeMethod(
            desktop,
            [desktop, &records] {
                records.push_back(desktop->record());
                delete desktop;
            },
            Qt::BlockingQueuedConnection);
    return records;
}

int runOffice(const Options &options)
{
    TestCluster cluster({QDir(options.dataDirectory).absoluteFilePath(u"pg-office"_s),
                         /*durable=*/true, options.maxConnections});
    if (!cluster.start())
        throw std::runtime_error(cluster.problem().toStdString());
    cluster.exec(u"postgres"_s,
                 u"DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'office') "
                 "THEN CREATE ROLE office LOGIN; END IF; END $$"_s);
    const QString database = freshDatabase(cluster, templateDatabase(cluster, options));
    std::unique_ptr<TestBouncer> bouncer;
    if (options.poolSize > 0) {
        bouncer = std::make_unique<TestBouncer>(
            cluster, TestBouncer::Setup{options.poolSize, options.desktops + 100, {u"office"_s}});
        if (!bouncer->start())
            throw std::runtime_error(bouncer->problem().toStdString());
    }
    const QString uri =
        bouncer ? bouncer->uri(database, u"office"_s) : cluster.uri(database, u"office"_s);
    const Questions questions = [&] {
        ServerKnowledgeBase kb(uri, OpenOptions{false, true});
        return questionsFrom(kb, options.entries);
    }();
    out() << u"# office: %1 desktops %2, a question every %3 s (%4), %5 entries, an import of "
             "%6, idle connections closed after %7 s (%8 s while the server is at least half "
             "full), server max_connections %9"_s.arg(options.desktops)
                 .arg(bouncer ? u"through PgBouncer (pool of %1)"_s.arg(options.poolSize)
                              : u"straight to the server"_s)
                 .arg(options.intervalSeconds)
                 .arg(options.poissonArrivals ? u"on average, Poisson"_s : u"±50 %"_s)
                 .arg(options.entries)
                 .arg(options.importEntries)
                 .arg(options.idleCloseSeconds)
                 .arg(options.crowdedIdleCloseSeconds)
                 .arg(options.maxConnections)
          << Qt::endl;

    // The desktops' window threads: a few event loops shared by many desktops, since a
    // thousand of them on two cores would spend the time switching. Each desktop's service
    // has its worker thread of its own, as in the program.
    Run run(Clock::now());
    std::vector<std::unique_ptr<QThread>> windowThreads;
    for (int i = 0; i < std::max(1, options.windowThreads); ++i) {
        windowThreads.push_back(std::make_unique<QThread>());
        windowThreads.back()->start();
    }
    std::vector<Desktop *> desktops;
    for (int i = 0; i < options.desktops; ++i) {
        auto *desktop = new Desktop(i + 1, uri, options, questions, run);
        desktop->moveToThread(windowThreads[size_t(i) % windowThreads.size()].get());
        QMetaObject::invokeMethod(desktop, [desktop] { desktop->start(); });
        desktops.push_back(desktop);
    }

    // The import starts once every desktop has asked at least once.
    std::atomic<double> importSeconds{0};
    std::atomic<bool> imported{options.importEntries == 0};
    Errors importErrors;
    std::unique_ptr<QThread> importer(QThread::create([&] {
        if (!run.sleepUntil(run.start()
                            + std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double>(options.intervalSeconds * 1.5))))
            return;
        EntryGenerator generator(7);
        int left = options.importEntries;
        const Clock::time_point started = Clock::now();
        run.importing = true;
        try {
            ServerKnowledgeBase kb(uri, OpenOptions{false, true});
            kb.addAll([&]() -> std::optional<NewEntry> {
                if (left-- == 0)
                    return std::nullopt;
                const GeneratedEntry entry = generator.next();
                return NewEntry{entry.word, entry.meaning, entry.link};
            });
        } catch (const KbError &error) {
            importErrors.note(error);
        }
        run.importing = false;
        importSeconds = std::chrono::duration<double>(Clock::now() - started).count();
        imported = true;
    }));
    importer->start();

    ConnectionCounter counter(cluster.uri(database), database);
    const Clock::time_point earliestEnd =
        run.start()
        + std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(options.minimumSeconds));
    Clock::time_point end = earliestEnd;
    for (;;) {
        counter.sample();
        const Clock::time_point now = Clock::now();
        if (imported && now >= end)
            break;
        if (!imported)
            end = std::max(earliestEnd, now + std::chrono::seconds(15));
        QThread::msleep(100);
    }
    run.end();
    importer->wait();
    const std::vector<Record> records = closeDesktops(desktops);
    for (const auto &thread : windowThreads) {
        thread->quit();
        thread->wait();
    }
    int opened = 0;
    int overtaking = 0;
    int answered = 0;
    for (const Record &record : records) {
        opened += record.opened;
        overtaking += record.overtaking;
        for (int operation = 0; operation < OperationCount; ++operation)
            answered += int(record.samples[operation].size());
    }

    Errors allErrors;
    report(options, records, allErrors);
    reportWholeRun(records);
    out() << u"BENCH office_import %1 %2 %3"_s.arg(options.desktops)
                 .arg(options.importEntries)
                 .arg(importSeconds.load(), 0, 'f', 1)
          << Qt::endl;
    if (importErrors.total() > 0)
        out() << u"# the import failed: %1"_s.arg(importErrors.examples.join(u" | "_s)) << Qt::endl;
    out() << u"BENCH office_peak_server_connections %1 %2 %3"_s.arg(options.desktops)
                 .arg(counter.peak)
                 .arg(allErrors.refused)
          << Qt::endl;
    out() << u"# %1 questions answered; %2 asked with a handle to open first; %3 asked while an "
             "earlier one was on its way"_s.arg(answered)
                 .arg(opened)
                 .arg(overtaking)
          << Qt::endl;
    out() << u"# peak of connections named donguri: %1; run of %2 s"_s.arg(counter.peakOfTheProgram)
                 .arg(std::chrono::duration<double>(Clock::now() - run.start()).count(), 0, 'f', 0)
          << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    allowManyOpenFiles();
    try {
        return runOffice(parseOptions(app));
    } catch (const std::exception &error) {
        QTextStream(stderr) << "donguri_office_bench: " << QString::fromUtf8(error.what())
                            << Qt::endl;
        return 1;
    }
}

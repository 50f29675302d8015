// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri_list_bench: a pattern question on a generated knowledge base, through the real
// question bar and match list (offscreen), from pressing 検索 to the list's first rows painted.
// Run it through scripts/bench.
//
// Output per size and pattern ("raw" is one hand-written SQLite count of the same pattern):
//   BENCH list_shown_<kind> <entries> <median_us> <p99_us> <raw_count_median_us> <ratio>
//   BENCH list_rss_kib_<kind> <entries> <median_kib> <p99_kib> - -
//   BENCH list_stall_us_<kind> <entries> <median_us> <p99_us> - -
// rss is the memory the question added; stall the longest the event loop went without turning
// (a zero-timer probe) from the question until a moment after the list was painted.
//
// The parent starts this same executable with --child once per sample, so that every sample
// starts from the same memory.

#include "bench_options.h"
#include "character/character.h"
#include "kb/question_service.h"
#include "kb_file.h"
#include "main_window/clock.h"
#include "main_window/form1.h"
#include "main_window/link_opener.h"
#include "main_window/random_source.h"
#include "process_run.h"
#include "quiet_doubles.h"
#include "raw_sqlite.h"
#include "timing.h"
#include "ui/file_chooser.h"
#include "ui/shared_state.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

using namespace donguri;
using namespace donguri::bench;
using namespace Qt::StringLiterals;

namespace {

constexpr int SamplesPerCase = 7;
constexpr int RawCountRuns = 5;
constexpr int WatchAfterPaintMs = 300;

struct PatternCase
{
    const char *kind;
    QString pattern;
};

const QList<PatternCase> &patternCases()
{
    static const QList<PatternCase> cases = {
        {"star", u"*"_s}, {"prefix", u"あい*"_s}, {"suffix", u"*ん"_s}, {"infix", u"*ぐり*"_s}};
    return cases;
}

// ---- child: one question ----

// The longest time between two turns of the event loop while it runs. It also ends the loop
// once `stopAt` has passed: a timer of its own would never get its turn behind the probe's.
class StallProbe
{
public:
    StallProbe()
    {
        m_turn.setInterval(0);
        QObject::connect(&m_turn, &QTimer::timeout, &m_turn, [this] {
            const qint64 now = monotonicNs();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
            if (m_stopAt && now >= m_stopAt)
                QCoreApplication::exit(0); // quit() would ask the bar to close, which it refuses
        });
    }
    void stopAt(qint64 monotonic) { m_stopAt = monotonic; }
    void start()
    {
        m_last = monotonicNs();
        m_turn.start();
    }
    qint64 longestNs() const { return m_longest; }

private:
    QTimer m_turn;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_stopAt = 0;
};

// Notices the first paint of the match list with rows in it.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(std::function<void()> painted) : m_painted(std::move(painted)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_painted && event->type() == QEvent::Paint) {
            auto *view = qobject_cast<QListView *>(watched->parent());
            if (view && view->objectName() == u"List1" && view->model()->rowCount() > 0)
                std::exchange(m_painted, nullptr)();
        }
        return false;
    }

private:
    std::function<void()> m_painted;
};

void ask(Form1 &bar, const QString &question)
{
    bar.findChild<QLineEdit *>(u"Text1"_s)->setText(question);
    bar.Command1_Click();
}

int runChild(int argc, char *argv[], const QString &database, const QString &pattern)
{
    QApplication app(argc, argv);
    SharedState state;
    state.DatabasePath = database;
    SystemClock clock;
    SystemRandom random;
    SilentLoader characters;
    NoLinks links;
    DialogFileChooser files;
    Form1 bar(state, {clock, random, characters, links, files});
    bar.show();
    // The knowledge base is open and read once before, as after the user's first question.
    ask(bar, u"どんぐり君＿ステータス"_s);
    while (state.questions().unanswered() > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    const qint64 rssBefore = residentKib();
    StallProbe probe;
    qint64 asked = 0;
    qint64 shownNs = 0;
    qint64 rssShown = 0;
    PaintWatch watch([&] {
        shownNs = monotonicNs() - asked;
        rssShown = residentKib();
        probe.stopAt(monotonicNs() + qint64(WatchAfterPaintMs) * 1'000'000);
    });
    app.installEventFilter(&watch);
    QTimer::singleShot(0, &bar, [&] {
        probe.start();
        asked = monotonicNs();
        ask(bar, pattern);
    });
    QTimer::singleShot(60'000, &app, [] {
        std::fputs("the list was never painted\n", stderr);
        std::_Exit(1);
    });
    QApplication::exec();
    std::printf("%lld %lld %lld\n", static_cast<long long>(shownNs),
                static_cast<long long>(rssShown - rssBefore),
                static_cast<long long>(probe.longestNs()));
    std::fflush(stdout);
    std::_Exit(0); // the windows need no tearing down
}

// ---- parent ----

Summary rawCount(const QString &database, const QString &pattern)
{
    RawConnection connection(database);
    const QByteArray sql =
        pattern == u"*" ? QByteArray("SELECT count(*) FROM 言葉")
                        : "SELECT count(*) FROM 言葉 WHERE 照合語 GLOB '" + pattern.toUtf8() + "'";
    QList<qint64> ns;
    for (int run = 0; run <= RawCountRuns; ++run) {
        RawStatement query(connection, sql);
        const qint64 started = monotonicNs();
        query.step();
        if (run > 0) // the first warms the cache
            ns << monotonicNs() - started;
    }
    return summarize(ns);
}

void measureCase(const QString &database, int entries, const PatternCase &c)
{
    const QString self = QCoreApplication::applicationFilePath();
    const QStringList environment = {u"QT_QPA_PLATFORM=offscreen"_s};
    runProcess(self, {u"--child"_s, database, c.pattern}, environment); // warms the page cache
    QList<qint64> shownNs, rssKib, stallNs;
    for (int sample = 0; sample < SamplesPerCase; ++sample) {
        const QList<QByteArray> fields =
            runProcess(self, {u"--child"_s, database, c.pattern}, environment)
                .output.trimmed()
                .split(' ');
        if (fields.size() != 3)
            throw std::runtime_error("the question reported nothing");
        shownNs << fields[0].toLongLong();
        rssKib << fields[1].toLongLong();
        stallNs << fields[2].toLongLong();
    }
    const QString kind = QString::fromLatin1(c.kind);
    printBench(u"list_shown_"_s + kind, entries, summarize(shownNs), rawCount(database, c.pattern));
    printBench(u"list_rss_kib_"_s + kind, entries, summarizeIn(rssKib, 1), std::nullopt);
    printBench(u"list_stall_us_"_s + kind, entries, summarize(stallNs), std::nullopt);
}

int runParent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = parseOptions(app.arguments());
    try {
        for (int entries : options.sizes) {
            const QString database = cachedKnowledgeBase(options.dataDirectory, entries);
            for (const PatternCase &c : patternCases())
                measureCase(database, entries, c);
        }
    } catch (const std::exception &error) {
        QTextStream(stderr) << "donguri_list_bench: " << QString::fromUtf8(error.what())
                            << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromUtf8(argv[3]));
    return runParent(argc, argv);
}

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window thread goes without turning its event loop while the real windows work on
// a knowledge base on a server behind a slow network (100 ms round trip) and behind one that
// drops everything: a question, a pattern, scrolling the match list, teaching and correcting.
// A window manager pinging the bar sees the same gaps. Target: the longest stall of each case
// at most 50 ms.
//
//   donguri_stall_bench [--data-dir DIR] [ENTRIES]      (default 100000 entries)
#include "character/character.h"
#include "editors/form2.h"
#include "editors/form3.h"
#include "editors/form4.h"
#include "entry_generator.h"
#include "kb/open_knowledge_base.h"
#include "kb/question_service.h"
#include "main_window/clock.h"
#include "main_window/form1.h"
#include "main_window/link_opener.h"
#include "main_window/random_source.h"
#include "process_run.h"
#include "quiet_doubles.h"
#include "stall_meter.h"
#include "support/delay_proxy.h"
#include "support/pg_cluster.h"
#include "ui/file_chooser.h"
#include "ui/shared_state.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace donguri;
using namespace donguri::bench;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

constexpr int StallTargetMs = 50;
constexpr int RoundTripMs = 100;

void turnFor(int ms)
{
    const QDeadlineTimer until(ms);
    while (!until.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Turns the event loop until every call made has been answered (or dropped).
bool settle(SharedState &state, int timeoutMs = 30000)
{
    const QDeadlineTimer until(timeoutMs);
    while (state.questions().unanswered() > 0 && !until.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return state.questions().unanswered() == 0;
}

struct Bench
{
    SharedState state;
    SystemClock clock;
    SystemRandom random;
    SilentLoader characters;
    NoLinks links;
    DialogFileChooser files;
    std::unique_ptr<Form1> bar;

    void ask(const QString &question)
    {
        bar->findChild<QLineEdit *>(u"Text1"_s)->setText(question);
        bar->Command1_Click();
    }
};

using Action = std::function<void(Bench &)>;

struct Case
{
    const char *name;
    Action action;
};

QList<Case> cases()
{
    return {
        {"question", [](Bench &b) { b.ask(u"どんぐり"_s); }},
        {"pattern", [](Bench &b) { b.ask(u"*ぐり*"_s); }},
        {"list_scroll",
         [](Bench &b) {
             QScrollBar *scroll = b.bar->listWindow()->list()->verticalScrollBar();
             for (const int percent : {10, 35, 60, 100}) {
                 scroll->setValue(scroll->maximum() / 100 * percent);
                 turnFor(300);
             }
         }},
        {"teach",
         [](Bench &b) {
             Form2 *teach = b.bar->teachWindow();
             teach->meaning()->setPlainText(u"ベンチで教えた意味"_s);
             teach->Command1_Click();
         }},
        {"correct",
         [](Bench &b) {
             Form4 *correct = b.bar->correctionWindow();
             correct->word()->setText(u"どんぐり"_s);
             correct->Command3_Click();
             settle(b.state);
             correct->Command1_Click();
         }},
    };
}

QString fill(TestCluster &cluster, int entries)
{
    const QString uri = cluster.newDatabase();
    const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(uri, {true, true});
    EntryGenerator generator;
    int made = 0;
    kb->addAll([&]() -> std::optional<NewEntry> {
        if (made++ == entries)
            return std::nullopt;
        const GeneratedEntry entry = generator.next();
        return NewEntry{entry.word, entry.meaning, entry.link};
    });
    kb->add(u"どんぐり"_s, u"木の実"_s, {});
    return uri.mid(uri.indexOf(u":///") + 4).section(u'?', 0, 0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int entries = 100000;
    for (const QString &argument : app.arguments().mid(1))
        if (argument.toInt() > 0)
            entries = argument.toInt();

    TestCluster cluster;
    if (!cluster.start()) {
        std::fprintf(stderr, "donguri_stall_bench: %s\n", qPrintable(cluster.problem()));
        return 1;
    }
    const QString database = fill(cluster, entries);
    DelayProxy proxy(cluster, RoundTripMs / 2);
    if (!proxy.isRunning()) {
        std::fputs("donguri_stall_bench: the delay proxy did not start\n", stderr);
        return 1;
    }

    Bench bench;
    bench.state.DatabasePath = proxy.uri(database);
    bench.bar =
        std::make_unique<Form1>(bench.state, Services{bench.clock, bench.random, bench.characters,
                                                      bench.links, bench.files});
    bench.bar->show();
    settle(bench.state);
    // The windows each case works in, opened on the slow network beforehand.
    bench.ask(u"*"_s);
    settle(bench.state);
    bench.ask(u"ベンチの知らない言葉"_s);
    settle(bench.state);
    bench.bar->Command4_Click();
    settle(bench.state);
    if (!bench.bar->listWindow() || !bench.bar->teachWindow() || !bench.bar->correctionWindow()) {
        std::fputs("donguri_stall_bench: the windows did not open\n", stderr);
        return 1;
    }

    int over = 0;
    for (const bool silent : {false, true}) {
        for (const Case &c : cases()) {
            proxy.dropEverything(silent);
            StallMeter meter;
            meter.start();
            c.action(bench);
            const bool settled = settle(bench.state);
            turnFor(200); // rows painted after the last page came
            const qint64 stallMs = meter.stopMs();
            proxy.dropEverything(false);
            settle(bench.state);
            over += stallMs > StallTargetMs ? 1 : 0;
            std::printf("stall_ms %-12s %-6s entries=%d longest=%lld target<=%d%s%s\n", c.name,
                        silent ? "silent" : "slow", entries, static_cast<long long>(stallMs),
                        StallTargetMs, stallMs > StallTargetMs ? " OVER" : "",
                        settled ? "" : " (calls still unanswered)");
            std::fflush(stdout);
        }
    }
    bench.bar.reset();
    return over == 0 ? 0 : 2;
}

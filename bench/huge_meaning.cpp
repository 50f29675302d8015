// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri_meaning_bench: a question whose meaning is huge (50 MB of text by default), through
// the real question bar and the program's own drawn character (offscreen), with クリップボード
// ticked and not. The bar must answer within 100 ms and keep answering while the character
// speaks; with クリップボード ticked the whole meaning must reach the clipboard meanwhile.
// Run it through scripts/bench.
//
// Output per case (<case> is plain or clipboard; the size column is the meaning's length in MB):
//   BENCH meaning_answer_us_<case> <mb> <median_us> <p99_us> - -  検索 pressed until it returned
//   BENCH meaning_stall_us_<case> <mb> <median_us> <p99_us> - -   longest event-loop stall, 3 s
//   BENCH meaning_rss_kib_<case> <mb> <median_kib> <p99_kib> - -  memory the answer added
// and a line "# <case>: answer within 100 ms: yes|NO".
//
// The parent starts this same executable with --child once per sample, so that every sample
// starts from the same memory.

#include "character/drawn_character.h"
#include "kb/file_knowledge_base.h"
#include "main_window/clock.h"
#include "main_window/form1.h"
#include "main_window/link_opener.h"
#include "main_window/random_source.h"
#include "process_run.h"
#include "quiet_doubles.h"
#include "timing.h"
#include "ui/file_chooser.h"
#include "ui/shared_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

using namespace donguri;
using namespace donguri::bench;
using namespace Qt::StringLiterals;

namespace {

constexpr int SamplesPerSize = 5;
constexpr int WatchSpeechMs = 3000;
constexpr qint64 AnswerTargetUs = 100'000;
const QString Word = u"長い言葉"_s;

// ---- child: one question ----

int runChild(int argc, char *argv[], const QString &database, bool toClipboard)
{
    QApplication app(argc, argv);
    SharedState state;
    state.DatabasePath = database;
    SystemClock clock;
    SystemRandom random;
    DesktopCharacterLoader characters; // no voice: speaking aloud runs in other processes
    NoLinks links;
    DialogFileChooser files;
    Form1 bar(state, {clock, random, characters, links, files});
    bar.show();
    bar.findChild<QCheckBox *>(u"Check1"_s)->setChecked(toClipboard);
    // The knowledge base is open and read once before, as after the user's first question.
    bar.findChild<QLineEdit *>(u"Text1"_s)->setText(u"どんぐり君＿ステータス"_s);
    bar.Command1_Click();
    QCoreApplication::processEvents();

    const qint64 rssBefore = residentKib();
    qint64 answerNs = 0;
    qint64 longestStall = 0;
    qint64 lastTurn = 0;
    qint64 stopAt = 0;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, &turn, [&] {
        const qint64 now = monotonicNs();
        longestStall = std::max(longestStall, now - lastTurn);
        lastTurn = now;
        if (now >= stopAt)
            QCoreApplication::exit(0);
    });
    QTimer::singleShot(0, &bar, [&] {
        bar.findChild<QLineEdit *>(u"Text1"_s)->setText(Word);
        const qint64 asked = monotonicNs();
        bar.Command1_Click();
        answerNs = monotonicNs() - asked;
        lastTurn = monotonicNs();
        stopAt = lastTurn + qint64(WatchSpeechMs) * 1'000'000;
        turn.start();
    });
    QApplication::exec();
    if (toClipboard && QGuiApplication::clipboard()->text().size() < 1'000'000)
        throw std::runtime_error("the meaning did not reach the clipboard");
    std::printf("%lld %lld %lld\n", static_cast<long long>(answerNs),
                static_cast<long long>(longestStall),
                static_cast<long long>(residentKib() - rssBefore));
    std::fflush(stdout);
    std::_Exit(0); // the windows need no tearing down
}

// ---- parent ----

// A knowledge base with one entry whose meaning is `megabytes` of sentences (UTF-8), kept
// between runs.
QString hugeMeaningBase(const QString &folder, int megabytes)
{
    const QString path = QDir(folder).filePath(u"kb-meaning-%1mb.mdb"_s.arg(megabytes));
    if (QFileInfo::exists(path))
        return path;
    const QString sentence = u"どんぐりはブナ科の木の実で、秋になると森の地面にたくさん落ちる。"_s;
    const qsizetype sentenceBytes = sentence.toUtf8().size();
    const QString meaning = sentence.repeated(qsizetype(megabytes) * 1024 * 1024 / sentenceBytes);
    FileKnowledgeBase kb(path);
    kb.add(Word, meaning, {});
    return path;
}

int runParent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments();
    QString folder = u"."_s;
    if (const qsizetype at = arguments.indexOf(u"--data-dir"_s);
        at >= 0 && at + 1 < arguments.size()) {
        folder = arguments.at(at + 1);
        arguments.remove(at, 2);
    }
    QList<int> sizes;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        sizes << arguments.at(i).toInt();
    if (sizes.isEmpty())
        sizes = {50};
    try {
        const QString self = QCoreApplication::applicationFilePath();
        const QStringList environment = {u"QT_QPA_PLATFORM=offscreen"_s};
        for (const int megabytes : std::as_const(sizes)) {
            const QString database = hugeMeaningBase(folder, megabytes);
            for (const QString &kind : {u"plain"_s, u"clipboard"_s}) {
                const QStringList child = {u"--child"_s, database, kind};
                runProcess(self, child, environment); // warms the page cache
                QList<qint64> answerNs, stallNs, rssKib;
                for (int sample = 0; sample < SamplesPerSize; ++sample) {
                    const QList<QByteArray> fields =
                        runProcess(self, child, environment).output.trimmed().split(' ');
                    if (fields.size() != 3)
                        throw std::runtime_error("the question reported nothing");
                    answerNs << fields[0].toLongLong();
                    stallNs << fields[1].toLongLong();
                    rssKib << fields[2].toLongLong();
                }
                const Summary answer = summarize(answerNs);
                printBench(u"meaning_answer_us_"_s + kind, megabytes, answer, std::nullopt);
                printBench(u"meaning_stall_us_"_s + kind, megabytes, summarize(stallNs),
                           std::nullopt);
                printBench(u"meaning_rss_kib_"_s + kind, megabytes, summarizeIn(rssKib, 1),
                           std::nullopt);
                QTextStream(stdout)
                    << u"# "_s << kind << u": answer within 100 ms: "_s
                    << (answer.p99 <= AnswerTargetUs ? u"yes"_s : u"NO"_s) << Qt::endl;
            }
        }
    } catch (const std::exception &error) {
        QTextStream(stderr) << "donguri_meaning_bench: " << QString::fromUtf8(error.what())
                            << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]),
                        qstrcmp(argv[3], "clipboard") == 0);
    return runParent(argc, argv);
}

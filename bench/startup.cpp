// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri_startup_bench: how long the program takes from exec to queuing its greeting, and how
// much memory it holds at that moment, with a knowledge base of N generated entries against an
// empty one. Run it through scripts/bench.
//
// Output, per size (the "raw" column of the other benchmark is the empty knowledge base here):
//   BENCH startup <entries> <median_us> <p99_us> <empty_median_us> <ratio>
//   BENCH startup_rss_kib <entries> <median_kib> <p99_kib> <empty_median_kib> <ratio>
//
// The parent starts this same executable with --child once per sample. The child builds the
// program's start-up exactly as the program does (settings file in the program folder, shared
// state, desktop character with its voice, main window) and reports when the greeting reaches
// the character.

#include "app/desktop_services.h"
#include "app/module1.h"
#include "bench_options.h"
#include "kb/file_knowledge_base.h"
#include "kb_file.h"
#include "main_window/form1.h"
#include "process_run.h"
#include "settings/settings_file.h"
#include "timing.h"
#include "ui/shared_state.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <memory>

using namespace donguri;
using namespace donguri::bench;
using namespace Qt::StringLiterals;

namespace {

constexpr int RunsPerSize = 15;

// ---- child: one start of the program ----

// Passes everything on to the real character and notices the first speech, which at start-up
// is the greeting.
class WatchedCharacter final : public Character
{
public:
    WatchedCharacter(std::shared_ptr<Character> real, std::function<void()> firstSpeech)
        : m_real(std::move(real)), m_firstSpeech(std::move(firstSpeech))
    {
    }
    void Show() override { m_real->Show(); }
    void Speak(const QString &text) override
    {
        m_real->Speak(text);
        if (m_firstSpeech)
            std::exchange(m_firstSpeech, nullptr)();
    }
    void Play(const QString &animation) override { m_real->Play(animation); }
    void MoveTo(int x, int y) override { m_real->MoveTo(x, y); }

private:
    std::shared_ptr<Character> m_real;
    std::function<void()> m_firstSpeech;
};

class WatchedLoader final : public CharacterLoader
{
public:
    WatchedLoader(CharacterLoader &real, std::function<void()> firstSpeech)
        : m_real(real), m_firstSpeech(std::move(firstSpeech))
    {
    }
    std::shared_ptr<Character> Load(const QString &id, const QString &file) override
    {
        std::shared_ptr<Character> character = m_real.Load(id, file);
        if (!character)
            return character;
        return std::make_shared<WatchedCharacter>(std::move(character), m_firstSpeech);
    }

private:
    CharacterLoader &m_real;
    std::function<void()> m_firstSpeech;
};

// Reports the moment and the memory, then leaves at once: what comes after the greeting is not
// start-up, and tearing the windows down would only add noise.
[[noreturn]] void reportGreeting()
{
    std::printf("%lld %lld\n", static_cast<long long>(monotonicNs()),
                static_cast<long long>(residentKib()));
    std::fflush(stdout);
    std::_Exit(0);
}

int runChild(int argc, char *argv[], const QString &programDirectory)
{
    QApplication app(argc, argv);
    DesktopServices desktop;
    WatchedLoader characters(desktop.characters, reportGreeting);
    SharedState state;
    const Services services = desktop.services(characters);
    const ProgramFiles folder{programDirectory};

    std::unique_ptr<Form1> mainWindow;
    Module1::Main(state, {folder, folder}, [&] {
        mainWindow = std::make_unique<Form1>(state, services);
        mainWindow->show();
    });
    std::fputs("the greeting never came\n", stderr);
    return 1;
}

// ---- parent: samples and report ----

struct Sample
{
    qint64 ns = 0;
    qint64 rssKib = 0;
};

// A program folder whose settings file names `database`.
QString programFolderFor(const QString &dataDirectory, const QString &name, const QString &database)
{
    const QString folder = QDir(dataDirectory).absoluteFilePath(u"startup-"_s + name);
    QDir().mkpath(folder);
    if (!writeSettingsLine(ProgramFiles{folder}.settingsFile(), QDir().absoluteFilePath(database)))
        throw std::runtime_error("cannot write the settings file in " + folder.toStdString());
    return folder;
}

QString emptyKnowledgeBase(const QString &dataDirectory)
{
    const QString path = QDir(dataDirectory).absoluteFilePath(u"kb-empty.mdb"_s);
    QFile::remove(path);
    FileKnowledgeBase created(path);
    return path;
}

Sample startOnce(const QString &programFolder)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The same windows on every machine, with or without a display.
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    child.setProcessEnvironment(environment);
    const qint64 started = monotonicNs();
    child.start(QCoreApplication::applicationFilePath(), {u"--child"_s, programFolder});
    if (!child.waitForFinished(60'000) || child.exitCode() != 0)
        throw std::runtime_error("the program did not start: "
                                 + child.readAllStandardError().toStdString());
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 2)
        throw std::runtime_error("the program reported nothing");
    return {fields[0].toLongLong() - started, fields[1].toLongLong()};
}

struct Samples
{
    QList<qint64> ns, rssKib;
};

void measureSize(const BenchOptions &options, const QString &emptyFolder, int entries)
{
    const QString bigFolder = programFolderFor(options.dataDirectory, QString::number(entries),
                                               cachedKnowledgeBase(options.dataDirectory, entries));
    // One unmeasured start of each warms the page cache; then they take turns.
    startOnce(emptyFolder);
    startOnce(bigFolder);
    Samples empty, big;
    for (int run = 0; run < RunsPerSize; ++run) {
        for (auto [folder, samples] : {std::pair{&emptyFolder, &empty}, {&bigFolder, &big}}) {
            const Sample sample = startOnce(*folder);
            samples->ns.append(sample.ns);
            samples->rssKib.append(sample.rssKib);
        }
    }
    printBench(u"startup"_s, entries, summarize(big.ns), summarize(empty.ns));
    printBench(u"startup_rss_kib"_s, entries, summarizeIn(big.rssKib, 1),
               summarizeIn(empty.rssKib, 1));
}

int runParent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = parseOptions(app.arguments());
    try {
        const QString emptyFolder = programFolderFor(options.dataDirectory, u"empty"_s,
                                                     emptyKnowledgeBase(options.dataDirectory));
        for (int entries : options.sizes)
            measureSize(options, emptyFolder, entries);
    } catch (const std::exception &error) {
        QTextStream(stderr) << "donguri_startup_bench: " << QString::fromUtf8(error.what())
                            << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0) {
        const QString programFolder = QString::fromLocal8Bit(argv[2]);
        return runChild(argc, argv, programFolder);
    }
    return runParent(argc, argv);
}

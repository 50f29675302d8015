// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// donguri_ask_bench: the ask key pressed in another program, through the X server, to the
// character's first speech request, with a known word selected by another X client (xclip), on a
// generated knowledge base. Needs an X display: scripts/bench runs it on a private Xvfb.
//
// Output per size ("raw" is the same word asked straight into the bar, no key and no selection):
//   BENCH ask_key <entries> <median_us> <p99_us> <bar_median_us> <ratio>

#include "app/desktop_ask.h"
#include "bench_options.h"
#include "character/character.h"
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

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <stdexcept>

using namespace donguri;
using namespace donguri::bench;
using namespace Qt::StringLiterals;

namespace {

constexpr int Samples = 15;
// Presses closer together than the key's repeat guard would count as one.
constexpr int PauseBetweenPressesMs = 450;
constexpr quint32 KeysymSuperL = 0xffeb;
constexpr quint32 KeysymF1 = 0xffbe;

// Notes when the character is first asked to speak after being armed.
class TimedCharacter final : public Character
{
public:
    void Show() override {}
    void Speak(const QString &) override
    {
        if (armed) {
            armed = false;
            spokeAt = monotonicNs();
            QCoreApplication::exit(0);
        }
    }
    void Play(const QString &) override {}
    void MoveTo(int, int) override {}

    bool armed = false;
    qint64 spokeAt = 0;
};

class TimedLoader final : public CharacterLoader
{
public:
    std::shared_ptr<Character> Load(const QString &, const QString &) override { return character; }
    std::shared_ptr<TimedCharacter> character = std::make_shared<TimedCharacter>();
};

// Another program's keyboard: presses keys through the X server's test extension.
class FakeKeyboard
{
public:
    FakeKeyboard() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            throw std::runtime_error("no X display");
        m_super = keycodeOf(KeysymSuperL);
        m_f1 = keycodeOf(KeysymF1);
    }
    ~FakeKeyboard() { xcb_disconnect(m_connection); }

    void pressSuperF1()
    {
        send(XCB_KEY_PRESS, m_super);
        send(XCB_KEY_PRESS, m_f1);
        send(XCB_KEY_RELEASE, m_f1);
        send(XCB_KEY_RELEASE, m_super);
        xcb_flush(m_connection);
    }

private:
    void send(quint8 type, quint8 keycode)
    {
        xcb_test_fake_input(m_connection, type, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }

    quint8 keycodeOf(quint32 keysym)
    {
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t *mapping = xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, quint8(count)),
            nullptr);
        if (!mapping)
            throw std::runtime_error("no keyboard mapping");
        const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
        quint8 keycode = 0;
        for (int i = 0; i < count * mapping->keysyms_per_keycode && !keycode; ++i) {
            if (keysyms[i] == keysym)
                keycode = quint8(setup->min_keycode + i / mapping->keysyms_per_keycode);
        }
        std::free(mapping);
        if (!keycode)
            throw std::runtime_error("the keyboard lacks a key the benchmark presses");
        return keycode;
    }

    xcb_connection_t *m_connection;
    quint8 m_super = 0;
    quint8 m_f1 = 0;
};

QString wordInTheMiddle(const QString &database, int entries)
{
    RawConnection connection(database);
    RawStatement query(connection, "SELECT 言葉 FROM 言葉 WHERE ID = ?");
    query.bindInteger(1, entries / 2);
    if (!query.step())
        throw std::runtime_error("the knowledge base has no entry in the middle");
    return QString::fromUtf8(query.text(0));
}

// Runs the event loop until the character speaks; the time from `started`.
qint64 untilSpeech(TimedCharacter &character, qint64 started)
{
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &timeout, [] { QCoreApplication::exit(1); });
    timeout.start(10'000);
    if (QApplication::exec() != 0)
        throw std::runtime_error("the character never spoke");
    return character.spokeAt - started;
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void measureSize(const QString &database, int entries)
{
    const QString word = wordInTheMiddle(database, entries);
    SharedState state;
    state.DatabasePath = database;
    SystemClock clock;
    SystemRandom random;
    TimedLoader characters;
    NoLinks links;
    DialogFileChooser files;
    Form1 bar(state, {clock, random, characters, links, files});
    bar.show();
    bar.ask(u"どんぐり君＿ステータス"_s); // opened and read once, as after a first question

    DesktopAsk desktopAsk([&bar](const QString &question) { bar.ask(question); });
    if (desktopAsk.listenForKey(AskKey::standard(), QDBusConnection(u"none"_s), false)
        != DesktopAsk::KeyWay::X11Grab)
        throw std::runtime_error("Super+F1 could not be grabbed");
    QProcess xclip;
    xclip.start(u"xclip"_s, {u"-quiet"_s, u"-selection"_s, u"primary"_s, u"-i"_s});
    xclip.write(word.toUtf8());
    xclip.closeWriteChannel();
    while (QGuiApplication::clipboard()->text(QClipboard::Selection) != word)
        pause(20);

    FakeKeyboard keyboard;
    TimedCharacter &character = *characters.character;
    QList<qint64> keyNs, barNs;
    for (int sample = 0; sample <= Samples; ++sample) { // the first warms up
        pause(PauseBetweenPressesMs);
        character.armed = true;
        const qint64 pressed = monotonicNs();
        keyboard.pressSuperF1();
        const qint64 key = untilSpeech(character, pressed);

        character.armed = true;
        const qint64 asked = monotonicNs();
        QTimer::singleShot(0, &bar, [&bar, &word] { bar.ask(word); });
        const qint64 direct = untilSpeech(character, asked);
        if (sample > 0) {
            keyNs << key;
            barNs << direct;
        }
    }
    xclip.kill();
    xclip.waitForFinished();
    printBench(u"ask_key"_s, entries, summarize(keyNs), summarize(barNs));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const BenchOptions options = parseOptions(app.arguments());
    try {
        for (int entries : options.sizes)
            measureSize(cachedKnowledgeBase(options.dataDirectory, entries), entries);
    } catch (const std::exception &error) {
        QTextStream(stderr) << "donguri_ask_bench: " << QString::fromUtf8(error.what()) << Qt::endl;
        return 1;
    }
    return 0;
}

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/knowledge_base.h"
#include "support/fake_chooser.h"
#include "support/recording_character.h"
#include "ui/shared_state.h"

#include <QTemporaryDir>
#include <QWidget>

#include <memory>

class QSemaphore;

namespace donguri {
class QuestionService;
}

namespace donguri::testing {

// Holds the question service's worker on a call of its own until released (at the latest when
// the hold goes): every call made meanwhile waits behind it, so a test makes an answer come late
// at will, without a clock. The hold's own call opens `location`, which must be usable.
class HeldQuestions
{
public:
    HeldQuestions(QuestionService &questions, const QString &location);
    ~HeldQuestions() { release(); }
    HeldQuestions(const HeldQuestions &) = delete;
    HeldQuestions &operator=(const HeldQuestions &) = delete;

    void release();

private:
    std::shared_ptr<QSemaphore> m_gate;
    bool m_released = false;
};

// The values one run shares, with doubles for what the windows reach outside themselves:
// recording characters, a scripted file chooser, and a knowledge base in a temporary folder, or
// a database on the test program's private PostgreSQL cluster when DONGURI_TEST_STORE=server
// (the window tests registered a second time as name_server).
struct WindowRun
{
    WindowRun();
    virtual ~WindowRun();

    // Sets the run up as start-up leaves it for the windows: a recorded Genie is the current
    // character, with nothing logged yet.
    virtual void begin();
    // Keeps a window made for the test until the run ends, and shows it.
    template <typename Window>
    Window *keep(Window *window)
    {
        m_windows.emplace_back(window);
        window->show();
        return window;
    }

    QString file(const QString &name) const { return dir.filePath(name); }
    // Waits until every knowledge-base call the windows made has been answered and its answer
    // handled; fails the test when that takes longer than `timeoutMs`.
    bool settle(int timeoutMs = 10000);
    KnowledgeBase &kb();
    CharacterLog &log() { return *characters.log; }
    bool onServer() const { return m_onServer; }
    // Runs SQL on the run's knowledge base directly, as a hand edit would.
    void execSql(const char *sql) const;
    // Holds the question service until the hold is released or goes.
    [[nodiscard]] std::unique_ptr<HeldQuestions> holdQuestions();

    QTemporaryDir dir;
    SharedState state;
    RecordingLoader characters;
    ScriptedChooser chooser;

private:
    bool m_onServer = false;
    std::vector<std::unique_ptr<QWidget>> m_windows;
    std::unique_ptr<KnowledgeBase> m_kb;
};

// The fixture of the window tests: each test function gets a new run, begun.
class RunFixtureBase : public QObject
{
    Q_OBJECT
protected Q_SLOTS:
    void init() { beginRun(); }
    void cleanup() { endRun(); }

protected:
    virtual void beginRun() = 0;
    virtual void endRun() = 0;
};

template <typename Run>
class RunFixture : public RunFixtureBase
{
protected:
    void beginRun() override
    {
        m_run = std::make_unique<Run>();
        m_run->begin();
    }
    void endRun() override { m_run.reset(); }
    CharacterLog &log() { return m_run->log(); }

    std::unique_ptr<Run> m_run;
};

// A test of one secondary window.
using WindowTest = RunFixture<WindowRun>;

} // namespace donguri::testing

namespace donguri::testing {

// The object names of a window's controls in the order Tab visits them, from its first one.
QStringList tabOrder(QWidget *window);

// What a window's red problem line says, or nothing while the line is hidden.
QString problemText(QWidget *window);

// Types Japanese text into a box as the input method hands it over: as one commit, and only to
// a box that takes input.
void typeText(QWidget *box, const QString &text);

} // namespace donguri::testing

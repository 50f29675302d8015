// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "main_window/document_window.h"
#include "main_window/form1.h"
#include "support/fakes.h"
#include "support/window_run.h"

#include <memory>

namespace donguri::testing {

// Everything one run of the program needs, with doubles for the world outside: besides the
// window doubles, a fixed clock, a scripted random source and a browser that only records.
struct TestRun : WindowRun
{
    ~TestRun() override;

    // Starts the main window, as start-up does.
    void begin() override { start(); }

    std::unique_ptr<Form1> startMainWindow();
    Services services();

    // The run's own main window, started once; the greeting is cleared from the log.
    Form1 &start();
    Form1 &form() { return *m_form; }
    // Types the question into the main window and presses 検索, then waits for the answer.
    void ask(const QString &question);
    // The same without waiting: the answer comes later, as the event loop runs.
    void press(const QString &question);

    FixedClock clock;
    ScriptedRandom random;
    FakeBrowser browser;
    DesktopLinkOpener links{browser};

private:
    std::unique_ptr<Form1> m_form;
};

// A test of the question bar and what it reaches: each test function gets a new run with its
// main window started.
class RunTest : public RunFixture<TestRun>
{
protected:
    void ask(const QString &question) { m_run->ask(question); }
    void press(const QString &question) { m_run->press(question); }
};

} // namespace donguri::testing

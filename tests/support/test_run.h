#pragma once

#include "document_window.h"
#include "fakes.h"
#include "form1.h"
#include "knowledge_base.h"
#include "recording_character.h"
#include "shared_state.h"

#include <QTemporaryDir>

#include <memory>

namespace donguri::testing {

// Everything one run of the program needs, with doubles for the world outside: a fixed clock,
// a scripted random source, recording characters, a browser that only records, a scripted
// file chooser, and a knowledge base in a temporary folder.
struct TestRun
{
    TestRun();
    ~TestRun();

    std::unique_ptr<Form1> startMainWindow();
    Services services();
    QString file(const QString &name) const { return dir.filePath(name); }

    // The run's own main window, started once; the greeting is cleared from the log.
    Form1 &start();
    Form1 &form() { return *m_form; }
    KnowledgeBase &kb();
    CharacterLog &log() { return *characters.log; }
    // Types the question into the main window and presses 検索.
    void ask(const QString &question);

    QTemporaryDir dir;
    SharedState state;
    FixedClock clock;
    ScriptedRandom random;
    RecordingLoader characters;
    FakeBrowser browser;
    DesktopLinkOpener links{browser};
    ScriptedChooser chooser;

private:
    std::unique_ptr<KnowledgeBase> m_kb;
    std::unique_ptr<Form1> m_form;
};

} // namespace donguri::testing

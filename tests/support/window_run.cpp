// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_run.h"

#include "kb/open_knowledge_base.h"
#include "kb/question_service.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QTest>
#include <QWidget>

namespace donguri::testing {

WindowRun::WindowRun()
{
    state.DatabasePath = dir.filePath(QStringLiteral("どんぐりくん.mdb"));
    state.SettingsFile = dir.filePath(QStringLiteral("donguri.ini"));
}

WindowRun::~WindowRun()
{
    m_windows.clear(); // the windows go before the files they use
    state.Questions.reset();
    m_kb.reset();
}

bool WindowRun::settle(int timeoutMs)
{
    QuestionService &questions = state.questions();
    const QDeadlineTimer deadline(timeoutMs);
    while (questions.unanswered() > 0 && !deadline.hasExpired())
        QTest::qWait(1);
    if (questions.unanswered() > 0) {
        qWarning("knowledge-base calls still unanswered after %d ms", timeoutMs);
        return false;
    }
    return true;
}

void WindowRun::begin()
{
    state.CurrentCharacter = characters.Load(QStringLiteral("Genie"), QStringLiteral("Genie.acs"));
    characters.loads.clear();
}

KnowledgeBase &WindowRun::kb()
{
    if (!m_kb)
        m_kb = openKnowledgeBase(state.DatabasePath);
    return *m_kb;
}

QStringList tabOrder(QWidget *window)
{
    QStringList order;
    QWidget *widget = window;
    while ((widget = widget->nextInFocusChain()) != window) {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(window))
            order << widget->objectName();
    }
    return order;
}

QString problemText(QWidget *window)
{
    auto *problem = window->findChild<QLabel *>(QStringLiteral("ProblemLine"));
    return problem && problem->isVisibleTo(window) ? problem->text() : QString();
}

} // namespace donguri::testing

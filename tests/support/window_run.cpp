// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_run.h"

#include "kb/open_knowledge_base.h"

#include <QLabel>
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
    m_kb.reset();
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

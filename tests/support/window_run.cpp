// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_run.h"

#include "kb/open_knowledge_base.h"
#include "kb/question_service.h"
#include "support/kb_store.h"
#include "support/pg_cluster.h"
#include "support/test_env.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QSemaphore>
#include <QTest>
#include <QWidget>

namespace donguri::testing {

HeldQuestions::HeldQuestions(QuestionService &questions, const QString &location)
    : m_gate(std::make_shared<QSemaphore>())
{
    questions.call<bool>(
        QuestionService::Lane::Edit, location, &questions,
        [gate = m_gate](KnowledgeBase &) {
            gate->acquire();
            return true;
        },
        [](const Reply<bool> &) {});
}

void HeldQuestions::release()
{
    if (!std::exchange(m_released, true))
        m_gate->release();
}

WindowRun::WindowRun() : m_onServer(TestStore::kindFromEnvironment() == TestStore::Kind::Server)
{
    state.DatabasePath = m_onServer ? TestCluster::shared().newDatabase()
                                    : dir.filePath(QStringLiteral("どんぐりくん.mdb"));
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

void WindowRun::execSql(const char *sql) const
{
    if (!m_onServer) {
        testing::execSql(state.DatabasePath, sql);
        return;
    }
    TestCluster &cluster = TestCluster::shared();
    if (!cluster.exec(databaseOf(state.DatabasePath), QString::fromUtf8(sql)))
        QTest::qFail(qPrintable(cluster.problem()), __FILE__, __LINE__);
}

std::unique_ptr<HeldQuestions> WindowRun::holdQuestions()
{
    return std::make_unique<HeldQuestions>(state.questions(), state.DatabasePath);
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

void typeText(QWidget *box, const QString &text)
{
    // As the desktop's input method does, only a box that takes input gets the text.
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QApplication::sendEvent(box, &query);
    if (!query.value(Qt::ImEnabled).toBool())
        return;
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

} // namespace donguri::testing

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_run.h"

#include <QLineEdit>

namespace donguri::testing {

TestRun::~TestRun()
{
    m_form.reset(); // the windows go before the files they use
    state.Questions.reset();
}

Services TestRun::services()
{
    return Services{clock, random, characters, links, chooser};
}

std::unique_ptr<Form1> TestRun::startMainWindow()
{
    return std::make_unique<Form1>(state, services());
}

Form1 &TestRun::start()
{
    m_form = startMainWindow();
    settle(); // the character comes up once its choice has been read
    log().clear();
    return *m_form;
}

void TestRun::ask(const QString &question)
{
    press(question);
    settle();
}

void TestRun::press(const QString &question)
{
    m_form->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(question);
    m_form->Command1_Click();
}

} // namespace donguri::testing

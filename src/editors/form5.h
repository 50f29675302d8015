// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Form5: the settings window, which chooses the knowledge base file.
#pragma once

#include "ui/file_chooser.h"
#include "ui/problem_line.h"

#include <QWidget>

class QLineEdit;

namespace donguri {

class SharedState;

// Form5, the settings window "ファイル設定": which knowledge base file this and later runs use.
class Form5 : public QWidget
{
    Q_OBJECT
public:
    Form5(SharedState &state, FileChooser &chooser, QWidget *parent = nullptr);

    void Command1_Click(); // 参照
    void Command2_Click(); // 登録
    QLineEdit *pathBox() const { return m_text1; }

private:
    void Form_Load();

    SharedState &m_state;
    RememberingChooser m_chooser;
    QLineEdit *m_text1;
    ProblemLine m_problem;
};

} // namespace donguri

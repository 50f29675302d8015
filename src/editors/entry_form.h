// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/kb_connection.h"
#include "ui/file_chooser.h"
#include "ui/problem_line.h"

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace donguri {

class SharedState;

// What the teach and the correction window share: the word, meaning and link boxes with their
// labels, "参照" with its link chooser, "登録" and "閉じる", a line that tells why something
// failed, and the window's own connection to the knowledge base.
class EntryForm : public QWidget
{
    Q_OBJECT
public:
    QLineEdit *word() const { return m_word; }
    QPlainTextEdit *meaning() const { return m_meaning; }
    QLineEdit *link() const { return m_link; }

    QString wordText() const;
    QString meaningText() const;
    QString linkText() const;

    // 参照: asks for a linked document; a chosen file's full path replaces the link box, a
    // cancel leaves it alone. The chooser starts from the file chosen last in this window.
    void Command2_Click();
    void FOPEN();

    // The link chooser's types, first one preselected.
    static QList<FileFilter> linkFilters();

protected:
    // Where a window puts its own "登録" and "閉じる", which differ between the two.
    struct Buttons
    {
        QRect save;
        QString closeName;
        QRect close;
    };

    EntryForm(SharedState &state, FileChooser &chooser, const QString &objectName,
              const QString &caption, const Buttons &buttons, QWidget *parent);

    QPushButton *saveButton() const { return m_save; }
    QPushButton *browseButton() const { return m_browse; }
    QPushButton *closeButton() const { return m_close; }
    ProblemLine &problem() { return m_problem; }

    // Runs a write on this window's knowledge base. A failure keeps every box as it is and shows
    // `failureText` on the problem line; false then.
    bool write(const std::function<void(KnowledgeBase &)> &writing, const QString &failureText);

    SharedState &m_state;
    KbConnection m_data1;

private:
    void buildFields();

    QLineEdit *m_word = nullptr;
    QPlainTextEdit *m_meaning = nullptr;
    QLineEdit *m_link = nullptr;
    QPushButton *m_browse = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_close = nullptr;
    ProblemLine m_problem;
    RememberingChooser m_chooser;
};

} // namespace donguri

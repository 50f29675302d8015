#pragma once

#include "file_chooser.h"
#include "problem_line.h"
#include "ui_support.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace donguri {

// The word, meaning and link boxes with their labels and the "参照" button, laid out the same in
// the teach and the correction window, plus a line for telling why something failed.
class EntryFields
{
public:
    EntryFields(QWidget *window, FileChooser &chooser);

    QLineEdit *word() const { return m_word; }
    QPlainTextEdit *meaning() const { return m_meaning; }
    QLineEdit *link() const { return m_link; }
    QPushButton *browse() const { return m_browse; }

    QString wordText() const;
    QString meaningText() const;
    QString linkText() const;

    // Asks for a linked document; a chosen file's full path replaces the link box, a cancel
    // leaves it alone. The chooser starts from the file chosen last in this window.
    void FOPEN();

    ProblemLine &problem() { return m_problem; }

    // The link chooser's types, first one preselected.
    static QList<FileFilter> linkFilters();

private:
    QWidget *m_window;
    QLineEdit *m_word;
    QLabel *m_wordLabel;
    QLabel *m_meaningLabel;
    QPlainTextEdit *m_meaning;
    QLineEdit *m_link;
    QLabel *m_linkLabel;
    QPushButton *m_browse;
    ProblemLine m_problem;
    RememberingChooser m_chooser;
};

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Form3: the match list of a pattern question, which hands the chosen entry back.
#pragma once

#include "kb/background_pass.h"
#include "kb/kb_connection.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QWidget>

class QListView;
class QModelIndex;
class QWindow;

namespace donguri {

class MatchListModel;
class SharedState;

// Form3, the match list "一覧表": every word matching the last pattern question; a click on one
// hands its entry on to be presented.
class Form3 : public QWidget
{
    Q_OBJECT
public:
    // Reads through `data1`, the question bar's connection, so that a question's count and its
    // list share one pass over the words.
    // A pass over more than `backgroundPassAbove` words runs on another thread.
    Form3(SharedState &state, KbConnection &data1, qint64 backgroundPassAbove = LongPassEntries,
          QWidget *parent = nullptr);

    // Runs once, when the window is first made in a run.
    void Form_Initialize();
    // Each time the window becomes the program's active window, and right after every showing.
    void Form_Activate();
    void List1_Click(const QModelIndex &item);
    void Command1_Click();

    // Shows the window (or brings it to the front) and fills it.
    void present();
    QListView *list() const { return m_list1; }

Q_SIGNALS:
    // The user chose a word: the first entry with that word, to be presented.
    void entryChosen(qint32 id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ListMatches();
    void showMatches(std::shared_ptr<KnowledgeBase> kb, const QString &pattern,
                     std::shared_ptr<const MatchIds> matches);
    void prompt();
    void onFocusWindowChanged(QWindow *window);

    SharedState &m_state;
    KbConnection &m_data1;
    BackgroundPass *m_pass;
    qint64 m_backgroundPassAbove;
    MatchListModel *m_matches;
    QListView *m_list1;
    QPointer<QWindow> m_lastFocus;
    bool m_focusInProgram = false;
    int m_promptsOwed = 0;
    QDeadlineTimer m_presentedRecently;
};

} // namespace donguri

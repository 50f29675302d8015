// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Form3: the match list of a pattern question, which hands the chosen entry back.
#pragma once

#include "kb/match_ids.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

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
    // Reads on the run's question service, whose one handle keeps the pass of the question that
    // opened the list, so that a question's count and its list share one pass over the words.
    explicit Form3(SharedState &state, QWidget *parent = nullptr);

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
    void showMatches(const QString &location, const QString &pattern,
                     std::shared_ptr<const MatchIds> matches);
    void prompt();
    void onFocusWindowChanged(QWindow *window);

    // The fill on its way.
    struct Fill
    {
        QString location;
        QString pattern;
    };

    SharedState &m_state;
    std::optional<Fill> m_fill;
    MatchListModel *m_matches;
    QListView *m_list1;
    QPointer<QWindow> m_lastFocus;
    bool m_focusInProgram = false;
    int m_promptsOwed = 0;
    QDeadlineTimer m_presentedRecently;
};

} // namespace donguri

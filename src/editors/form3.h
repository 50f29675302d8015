// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Form3: the match list of a pattern question, which hands the chosen entry back.
#pragma once

#include "kb/knowledge_base.h"
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
    // Reads on the run's question service. The question that opens the list hands over what it
    // found (offerMatches); later fillings read afresh.
    explicit Form3(SharedState &state, QWidget *parent = nullptr);

    // Runs once, when the window is first made in a run.
    void Form_Initialize();
    // Each time the window becomes the program's active window, and right after every showing.
    void Form_Activate();
    void List1_Click(const QModelIndex &item);
    void Command1_Click();

    // Shows the window (or brings it to the front) and fills it.
    void present();
    // The matches of `pattern` in `location` that a question has just found, with the words of
    // the first of them (a page, MatchListModel::RowsPerPage): the fillings up to the end of the
    // next present() show these instead of reading them again. So a pattern question waits for
    // the knowledge base once, and the list holds just what was counted.
    void offerMatches(const QString &location, const QString &pattern, MatchPreview found);
    QListView *list() const { return m_list1; }

Q_SIGNALS:
    // The user chose a word: the first entry with that word, to be presented.
    void entryChosen(qint32 id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ListMatches();
    bool takeOffer(const QString &location, const QString &pattern);
    void showMatches(const QString &location, const QString &pattern,
                     std::shared_ptr<const MatchIds> matches,
                     const QList<WordRow> &firstWords = {});
    void prompt();
    void onFocusWindowChanged(QWindow *window);

    // The fill on its way.
    struct Fill
    {
        QString location;
        QString pattern;
    };

    struct Offer
    {
        QString location;
        QString pattern;
        MatchPreview found;
    };

    SharedState &m_state;
    std::optional<Fill> m_fill;
    std::optional<Offer> m_offer;
    MatchListModel *m_matches;
    QListView *m_list1;
    QPointer<QWindow> m_lastFocus;
    bool m_focusInProgram = false;
    int m_promptsOwed = 0;
    QDeadlineTimer m_presentedRecently;
};

} // namespace donguri

// Form3: the match list of a pattern question, which hands the chosen entry back.
#pragma once

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
    Form3(SharedState &state, KbConnection &data1, QWidget *parent = nullptr);

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
    void onFocusWindowChanged(QWindow *window);

    SharedState &m_state;
    KbConnection &m_data1;
    MatchListModel *m_matches;
    QListView *m_list1;
    QPointer<QWindow> m_lastFocus;
    QDeadlineTimer m_presentedRecently;
};

} // namespace donguri

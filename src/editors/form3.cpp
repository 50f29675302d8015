// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form3.h"

#include "character/character.h"
#include "kb/kb_error.h"
#include "match_list_model.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QPushButton>
#include <QWindow>

#include <functional>

namespace donguri {

namespace {
// A list whose highlight moved by a key (arrows, Home, End, a typed letter) tells of it, since
// choosing a word from the keyboard is choosing it as much as clicking it is.
class MatchListView : public QListView
{
public:
    using QListView::QListView;
    std::function<void(const QModelIndex &)> keyboardSelected;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const QPersistentModelIndex before = currentIndex();
        QListView::keyPressEvent(event);
        if (currentIndex().isValid() && currentIndex() != before && keyboardSelected)
            keyboardSelected(currentIndex());
    }
};
} // namespace

Form3::Form3(SharedState &state, KbConnection &data1, qint64 backgroundPassAbove, QWidget *parent)
    : QWidget(parent), m_state(state), m_data1(data1), m_pass(new BackgroundPass(this)),
      m_backgroundPassAbove(backgroundPassAbove), m_matches(new MatchListModel(this)),
      m_list1(new MatchListView(this))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("一覧表"));
    setAccessibleName(windowTitle());
    setFont(japaneseFont());
    setFixedSize(350, 250); // 5250 × 3750 twips
    nameControl(m_list1, QStringLiteral("List1"), QStringLiteral("一覧"));
    m_list1->setGeometry(fromTwips(240, 120, 4215, 3480));
    // Every row is one line of text, so the view measures one row for all of them.
    m_list1->setUniformItemSizes(true);
    // Laid out a hundred thousand rows at a time between other events: the first rows show at
    // once, and the scroll bar reaches the last of a million within a tenth of a second here,
    // the program never held up for more than a few milliseconds at a time.
    m_list1->setLayoutMode(QListView::Batched);
    m_list1->setBatchSize(100000);
    m_list1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list1->setModel(m_matches);
    auto *close = makeButton(this, QStringLiteral("Command1"), QStringLiteral("閉じる"),
                             fromTwips(4560, 120, 615, 255));
    setTabOrder(m_list1, close);
    m_list1->installEventFilter(this);
    connect(m_list1, &QListView::clicked, this, &Form3::List1_Click);
    static_cast<MatchListView *>(m_list1)->keyboardSelected = [this](const QModelIndex &item) {
        List1_Click(item);
    };
    connect(close, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &Form3::onFocusWindowChanged);
}

void Form3::Form_Initialize()
{
    ListMatches();
}

void Form3::Form_Activate()
{
    ListMatches();
}

void Form3::present()
{
    presentWindow(this);
    // The activation that showing causes is this one; the focus change it brings is not another.
    m_presentedRecently.setRemainingTime(600);
    Form_Activate();
}

void Form3::onFocusWindowChanged(QWindow *window)
{
    // Switching here from another window of the program counts as activation, also when that
    // window has just closed (the teach window after 登録, say); coming back from another
    // application, or from a window standing in for one, does not.
    const bool fromOwnWindow = m_focusInProgram;
    if (window)
        m_focusInProgram = !standsInForAnotherApplication(window);
    else if (m_lastFocus && m_lastFocus->isVisible())
        m_focusInProgram = false; // the focus went to another application
    // else the window that had the focus closed, and it stays with the program
    m_lastFocus = window;
    if (window && window == windowHandle() && fromOwnWindow && m_presentedRecently.hasExpired())
        Form_Activate();
}

// Fills the list with every word that matches SearchWord, in the store's order, then asks the
// user to choose, also when nothing matched. A pass over many words runs on another thread; the
// list and the prompt follow when it is done, the rows shown before staying until then.
void Form3::ListMatches()
{
    // Every filling ends with the prompt, also one that a later filling took over from.
    ++m_promptsOwed;
    const QString pattern = m_state.SearchWord;
    try {
        std::shared_ptr<KnowledgeBase> kb = m_data1.shared(m_state.DatabasePath);
        if (kb->needsLongPass(pattern, m_backgroundPassAbove)) {
            m_pass->start(kb, pattern, [this, kb, pattern](std::shared_ptr<const MatchIds> ids) {
                showMatches(kb, pattern, std::move(ids));
            });
            return;
        }
        m_pass->cancel();
        showMatches(kb, pattern, kb->matches(pattern));
    } catch (const KbError &) {
        showMatches(nullptr, pattern, nullptr);
    }
}

// No matches (an unreadable knowledge base) lists nothing; the prompt comes all the same.
void Form3::showMatches(std::shared_ptr<KnowledgeBase> kb, const QString &pattern,
                        std::shared_ptr<const MatchIds> matches)
{
    if (kb && matches)
        m_matches->show(std::move(kb), pattern, std::move(matches));
    else
        m_matches->clear();
    // A filled list starts afresh: nothing highlighted, its first rows in view.
    m_list1->selectionModel()->clear();
    m_list1->scrollToTop();
    for (; m_promptsOwed > 0; --m_promptsOwed)
        prompt();
}

void Form3::prompt()
{
    Character &character = m_state.character();
    character.Play(QStringLiteral("read"));
    character.Speak(QStringLiteral("リストから選んでください。"));
}

void Form3::List1_Click(const QModelIndex &item)
{
    if (!item.isValid())
        return;
    const QVariant word = item.data();
    if (!word.isValid())
        return;
    std::optional<qint32> id;
    try {
        id = m_data1.at(m_state.DatabasePath).findWord(word.toString());
    } catch (const KbError &) {
        return;
    }
    // A word changed or removed since the list was filled presents nothing at all.
    if (id)
        Q_EMIT entryChosen(*id);
}

void Form3::Command1_Click()
{
    close();
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            List1_Click(m_list1->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form3.h"

#include "character/character.h"
#include "editors_log.h"
#include "kb/kb_location.h"
#include "kb/question_service.h"
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

Form3::Form3(SharedState &state, QWidget *parent)
    : QWidget(parent), m_state(state), m_matches(new MatchListModel(state.questions(), this)),
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
    // Later fillings read afresh.
    m_offer.reset();
}

void Form3::offerMatches(const QString &location, const QString &pattern, MatchPreview found)
{
    m_offer = Offer{location, pattern, std::move(found)};
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
// user to choose, also when nothing matched. The pass runs on the question service; the list
// and the prompt follow when it is done, the rows shown before staying until then.
void Form3::ListMatches()
{
    // Every filling ends with the prompt, also one that a later filling took over from.
    ++m_promptsOwed;
    const QString location = m_state.DatabasePath;
    const QString pattern = m_state.SearchWord;
    if (takeOffer(location, pattern))
        return;
    // The fill on its way already answers this one (the first showing fills twice).
    if (m_fill && m_fill->location == location && m_fill->pattern == pattern)
        return;
    m_fill = Fill{location, pattern};
    m_state.questions().call<std::shared_ptr<const MatchIds>>(
        QuestionService::Lane::List, location, this,
        [pattern](KnowledgeBase &kb) { return kb.matches(pattern); },
        [this, location, pattern](const Reply<std::shared_ptr<const MatchIds>> &reply) {
            if (!reply.ok())
                qCWarning(lcEditors).noquote() << "cannot list the matches of a pattern from"
                                               << shownLocation(location) << "-" << reply.error;
            showMatches(location, pattern, reply.value.value_or(nullptr));
        });
}

// Matches handed over for this very list are shown at once; a fill still on its way for an
// earlier one is no longer wanted.
bool Form3::takeOffer(const QString &location, const QString &pattern)
{
    if (!m_offer || !m_offer->found.ids || m_offer->location != location
        || m_offer->pattern != pattern)
        return false;
    m_state.questions().supersede(QuestionService::Lane::List);
    showMatches(location, pattern, m_offer->found.ids, m_offer->found.firstWords);
    return true;
}

// No matches (an unreadable knowledge base) lists nothing; the prompt comes all the same.
void Form3::showMatches(const QString &location, const QString &pattern,
                        std::shared_ptr<const MatchIds> matches, const QList<WordRow> &firstWords)
{
    m_fill.reset();
    if (matches)
        m_matches->show(location, pattern, std::move(matches), firstWords);
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

// The entry behind a word is looked up again by the word; the answer goes on to be presented.
void Form3::List1_Click(const QModelIndex &item)
{
    if (!item.isValid())
        return;
    // A row whose word has not come yet is looked up by its entry, as long as that still
    // matches; a blank row of an entry gone presents nothing.
    const QVariant word = item.data();
    const std::optional<qint32> id = m_matches->idAt(item.row());
    if (!word.isValid() && !id)
        return;
    const QString location = m_state.DatabasePath;
    std::function<std::optional<qint32>(KnowledgeBase &)> lookUp;
    if (word.isValid())
        lookUp = [chosen = word.toString()](KnowledgeBase &kb) { return kb.findWord(chosen); };
    else
        lookUp = [entry = *id, pattern = WordPattern(m_matches->pattern())](KnowledgeBase &kb) {
            const std::optional<QString> chosen = readMatchingWords(kb, {entry}, pattern).value(0);
            return chosen ? kb.findWord(*chosen) : std::nullopt;
        };
    m_state.questions().call<std::optional<qint32>>(
        QuestionService::Lane::Question, location, this, std::move(lookUp),
        [this, location](Reply<std::optional<qint32>> reply) {
            if (!reply.ok()) {
                qCWarning(lcEditors).noquote() << "cannot look up a chosen word in"
                                               << shownLocation(location) << "-" << reply.error;
                return;
            }
            // A word changed or removed since the list was filled presents nothing at all.
            if (*reply.value)
                Q_EMIT entryChosen(**reply.value);
        });
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

#include "form3.h"

#include "character/character.h"
#include "kb/kb_error.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QWindow>

namespace donguri {

Form3::Form3(SharedState &state, QWidget *parent)
    : QWidget(parent), m_state(state), m_list1(new QListWidget(this))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("一覧表"));
    setAccessibleName(windowTitle());
    setFont(japaneseFont());
    setFixedSize(350, 250); // 5250 × 3750 twips
    nameControl(m_list1, QStringLiteral("List1"), QStringLiteral("一覧"));
    m_list1->setGeometry(fromTwips(240, 120, 4215, 3480));
    auto *close = makeButton(this, QStringLiteral("Command1"), QStringLiteral("閉じる"),
                             fromTwips(4560, 120, 615, 255));
    setTabOrder(m_list1, close);
    m_list1->installEventFilter(this);
    connect(m_list1, &QListWidget::itemClicked, this, &Form3::List1_Click);
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
    // Switching here from another window of the program counts as activation; coming back from
    // another application, or from a window standing in for one, does not.
    const bool fromOwnWindow = m_lastFocus && !standsInForAnotherApplication(m_lastFocus);
    m_lastFocus = window;
    if (window && window == windowHandle() && fromOwnWindow && m_presentedRecently.hasExpired())
        Form_Activate();
}

// Fills the list with every word that matches SearchWord, in the store's order, then asks the
// user to choose, also when nothing matched.
void Form3::ListMatches()
{
    m_list1->clear();
    try {
        for (const WordRow &row : m_data1.at(m_state.DatabasePath).listMatches(m_state.SearchWord))
            m_list1->addItem(row.word);
    } catch (const KbError &) {
        // An unreadable file lists nothing; the prompt still comes.
    }
    Character &character = m_state.character();
    character.Play(QStringLiteral("read"));
    character.Speak(QStringLiteral("リストから選んでください。"));
}

void Form3::List1_Click(QListWidgetItem *item)
{
    if (!item)
        return;
    std::optional<qint32> id;
    try {
        id = m_data1.at(m_state.DatabasePath).findWord(item->text());
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
            List1_Click(m_list1->currentItem());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace donguri

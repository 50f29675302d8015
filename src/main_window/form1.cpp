// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "character/character.h"
#include "character/character_stage.h"
#include "chatter.h"
#include "clock.h"
#include "kb/background_pass.h"
#include "kb/kb_error.h"
#include "kb/knowledge_base.h"
#include "kb/open_knowledge_base.h"
#include "kb/word_pattern.h"
#include "link_opener.h"
#include "main_window_log.h"
#include "random_source.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace donguri {

namespace {

const QStringList Greetings = {
    QStringLiteral("なんでも聞いてください。"), QStringLiteral("眠いんだけどなー"),
    QStringLiteral("さあ、今日も働こうか。"),   QStringLiteral("いいお天気ですね。"),
    QStringLiteral("はい、何でしょう。"),       QStringLiteral("こんちわー、お元気だった？"),
};

// The most of a meaning the character is handed: far more than its balloon shows at once.
constexpr qsizetype PresentedMeaningChars = 64 * 1024;

// What the question box holds until the user first types.
const QString Prompt = QStringLiteral("教えてもらいたい事を入力してね。");

// Compared code unit by code unit; the character between 君 and ステータス is U+FF3F.
const QString StatusKeyword = QStringLiteral("どんぐり君＿ステータス");

// Opens (or raises) one of the run's windows; a closed window is made anew.
template <typename Window, typename Make>
Window *ensureWindow(QPointer<Window> &slot, Make make)
{
    if (!slot) {
        slot = make();
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    return slot;
}

} // namespace

Form1::Form1(SharedState &state, Services services, QWidget *parent)
    : QWidget(parent), m_state(state), m_services(services), m_pass(new BackgroundPass(this)),
      m_backgroundPassAbove(LongPassEntries)
{
    buildControls();
    Form_Load();
}

Form1::~Form1()
{
    delete m_form2;
    delete m_form3;
    delete m_form4;
    delete m_form5;
}

void Form1::buildControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("どんぐりくん"));
    setAccessibleName(windowTitle());
    setFont(japaneseFont());
    setGeometry(434, 627, 571, 62);
    setFixedSize(571, 62);

    // Created in tab order: the quit button first, so it holds the focus when the window opens.
    m_button = makeButton(this, QStringLiteral("Button"), QStringLiteral("終了"),
                          fromTwips(7800, 120, 615, 375));
    m_text1 = new QLineEdit(Prompt, this);
    nameControl(m_text1, QStringLiteral("Text1"), QStringLiteral("質問"));
    m_text1->setGeometry(fromTwips(120, 120, 6975, 375));
    m_text1->installEventFilter(this);
    m_command1 = makeButton(this, QStringLiteral("Command1"), QStringLiteral("検索"),
                            fromTwips(7200, 120, 615, 375));
    m_command2 = makeButton(this, QStringLiteral("Command2"), QStringLiteral("日付"),
                            fromTwips(1560, 600, 735, 255));
    m_command3 = makeButton(this, QStringLiteral("Command3"), QStringLiteral("時間"),
                            fromTwips(2280, 600, 735, 255));
    m_command4 = makeButton(this, QStringLiteral("Command4"), QStringLiteral("修正"),
                            fromTwips(120, 600, 735, 255));
    m_check1 = new QCheckBox(QStringLiteral("クリップボード"), this);
    nameControl(m_check1, QStringLiteral("Check1"), m_check1->text());
    m_check1->setGeometry(fromTwips(3240, 600, 1575, 255));
    m_command5 = makeButton(this, QStringLiteral("Command5"), QStringLiteral("設定"),
                            fromTwips(6240, 600, 855, 255));

    const QList<QWidget *> tabOrder = {m_button,   m_text1,    m_command1, m_command2,
                                       m_command3, m_command4, m_check1,   m_command5};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    m_button->setFocus();

    connect(m_button, &QPushButton::clicked, this, &Form1::Button_Click);
    connect(m_command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(m_command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(m_command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(m_command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(m_command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(&m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(&m_timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
}

// The start-up sequence. A step that fails is passed over and the next one runs.
void Form1::Form_Load()
{
    KnowledgeBase *kb = nullptr;
    try {
        kb = &m_data1.at(m_state.DatabasePath);
    } catch (const KbError &) {
        // An unusable file still lets the character come up; the questions will find nothing.
    }
    m_services.random.seed(quint64(m_services.clock.now().toMSecsSinceEpoch()));

    m_timer1.setSingleShot(true);
    m_timer1.setTimerType(Qt::PreciseTimer);
    aimTimer1();
    m_timer2.setInterval(5000);
    m_timer2.setSingleShot(true);

    // Without a usable file Genie comes up all the same.
    const int choice = kb ? chosenCharacterNumber(*kb) : 1;
    m_state.CurrentCharacter = CharacterStage::loadChosenCharacter(choice, m_services.characters);

    Character &character = m_state.character();
    character.Show();
    character.Speak(Greetings.at(drawRow(m_services.random, int(Greetings.size())) - 1));
    character.MoveTo(900, 0);
}

// Each tick is aimed just past the next second of the wall clock, so it never drifts across a
// second boundary and skips h:00:00.
void Form1::aimTimer1()
{
    const int intoSecond = int(m_services.clock.now().time().msec());
    m_timer1.start(1000 - intoSecond + 5);
}

// Every second: announce a full hour when the clock reads exactly h:00:00, then count the
// quiet seconds and pass the time after half an hour of them.
void Form1::Timer1_Timer()
{
    aimTimer1();
    const QTime now = m_services.clock.now().time();
    if (now.minute() == 0 && now.second() == 0)
        Sirasemasu(qint16(now.hour()));
    ++m_state.IdleCount;
    if (m_state.IdleCount > 1799) {
        m_state.IdleCount = 0;
        Hanasimasu(9);
    }
}

void Form1::Sirasemasu(qint16 hour)
{
    Character &character = m_state.character();
    character.Speak(Chatter::hourSentence(hour));
    character.Play(Chatter::hourlyAnimation(m_services.random));
}

void Form1::Hanasimasu(qint16 topic)
{
    Character &character = m_state.character();
    const QDateTime now = m_services.clock.now();
    switch (topic) {
    case 1:
        character.Speak(Chatter::dateSentence(now.date()));
        break;
    case 2:
        character.Play(QStringLiteral("readcontinued"));
        character.Speak(Chatter::timeSentence(now.time()));
        break;
    case 9:
        Chatter::idleRemark(character, m_services.random, now.date());
        break;
    default:
        break;
    }
}

void Form1::Timer2_Timer()
{
    endProgram();
}

// Asked once: ending closes every window, this one included, which must not ask again.
void Form1::endProgram()
{
    if (m_ending)
        return;
    m_ending = true;
    Q_EMIT endRequested();
}

void Form1::Button_Click()
{
    Character &character = m_state.character();
    character.Speak(QStringLiteral("それじゃ、またね。"));
    character.Play(QStringLiteral("wave"));
    character.Play(QStringLiteral("hide"));
    // Once armed nothing stops or restarts it: a second press keeps the first deadline.
    if (!m_timer2.isActive())
        m_timer2.start();
}

void Form1::Command1_Click()
{
    Sirabemasu();
}

void Form1::Command2_Click()
{
    Hanasimasu(1);
}

void Form1::Command3_Click()
{
    Hanasimasu(2);
}

void Form1::Command4_Click()
{
    Character &character = m_state.character();
    character.Speak(QStringLiteral("直す言葉を入れて呼び出しを押してください。"));
    character.Play(QStringLiteral("write"));
    showCorrectionWindow();
}

void Form1::Command5_Click()
{
    presentWindow(ensureWindow(m_form5, [this] { return new Form5(m_state, m_services.files); }));
}

void Form1::ask(const QString &question)
{
    m_text1->setText(question);
    Sirabemasu();
}

// Answers the question in the box. Any failure ends the whole lookup silently, with the
// question left in the box.
void Form1::Sirabemasu()
{
    const QString question = m_text1->text();
    m_pass->cancel(); // a pattern still being looked at is no longer the question
    try {
        KnowledgeBase &kb = m_data1.at(m_state.DatabasePath);
        if (question == StatusKeyword) {
            const qint64 count = kb.countAll();
            Character &character = m_state.character();
            character.Play(QStringLiteral("read"));
            character.Speak(QStringLiteral("現在の登録件数は %1 件です。").arg(count));
            m_text1->clear();
            return;
        }
        if (isPatternQuestion(question)) {
            askPattern(kb, question);
            return;
        }
        if (const std::optional<qint32> id = kb.findWord(question))
            Osiemasu(*id);
        else
            Sirimasen(question);
    } catch (const KbError &) {
    }
}

// The list reuses the pass that counts, while nothing changes, so it notes every match's ID. A
// pass over many words runs on another thread and the answer follows; the bar stays free.
void Form1::askPattern(KnowledgeBase &kb, const QString &question)
{
    if (!kb.needsLongPass(question, m_backgroundPassAbove)) {
        answerPattern(question, kb.matches(question)->size());
        return;
    }
    m_pass->start(m_data1.shared(m_state.DatabasePath), question,
                  [this, question](std::shared_ptr<const MatchIds> matches) {
                      if (matches) // an unreadable knowledge base ends the question silently
                          answerPattern(question, matches->size());
                  });
}

void Form1::answerPattern(const QString &question, qint64 count)
{
    if (count == 0)
        Sirimasen(question);
    else
        Mitukarimasita(qint32(std::min<qint64>(count, INT32_MAX)), question);
}

void Form1::Osiemasu(const qint32 &kotae)
{
    // The character shows and says only the beginning of a long meaning, so only that is read;
    // the clipboard gets the whole meaning.
    const std::optional<Entry> entry =
        m_data1.at(m_state.DatabasePath).entryBeginning(kotae, PresentedMeaningChars + 1);
    if (!entry || !entry->meaning)
        throw KbError(QStringLiteral("entry %1 has no meaning to present").arg(kotae));
    const QString &meaning = *entry->meaning;
    if (m_check1->isChecked()) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        const quint64 copy = ++m_clipboardCopy; // a copy still on its way is outdated now
        if (meaning.size() <= PresentedMeaningChars)
            clipboard->setText(meaning);
        else
            copyWholeMeaningLater(kotae, copy);
    }
    // A local document is loaded before the character speaks; a web page is handed to the
    // browser and the speech follows at once. Nothing here waits on the network.
    if (!entry->link.isEmpty())
        m_services.links.open(entry->link, linkFolder(m_state.DatabasePath, m_state.SettingsFile));
    Character &character = m_state.character();
    character.Play(QStringLiteral("announce"));
    character.Speak(meaning);
    m_state.IdleCount = 0;
    m_text1->clear();
}

// A meaning too long to read while the bar waits goes to the clipboard from another thread, on
// a handle of its own, as soon as it is read; a later answer's copy takes its place.
void Form1::copyWholeMeaningLater(qint32 id, quint64 copy)
{
    using Meaning = std::optional<QString>;
    auto *watcher = new QFutureWatcher<Meaning>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, copy] {
        watcher->deleteLater();
        const Meaning meaning = watcher->result();
        if (copy == m_clipboardCopy && meaning)
            QGuiApplication::clipboard()->setText(*meaning);
        else if (!meaning)
            qCWarning(lcMainWindow) << "the meaning for the clipboard could not be read";
    });
    const QString location = m_data1.at(m_state.DatabasePath).path();
    watcher->setFuture(QtConcurrent::run([location, id]() -> Meaning {
        try {
            const std::optional<Entry> entry = openKnowledgeBase(location)->entry(id);
            return entry ? entry->meaning : std::nullopt;
        } catch (const KbError &) {
            return std::nullopt;
        }
    }));
}

// A word chosen in the match list is presented like an answer; when its entry cannot be read
// nothing is said, as for a question.
void Form1::presentChosenEntry(qint32 id)
{
    try {
        Osiemasu(id);
    } catch (const KbError &) {
    }
}

void Form1::Mitukarimasita(qint32 count, const QString &question)
{
    m_state.SearchWord = question;
    Character &character = m_state.character();
    character.Play(QStringLiteral("announce"));
    character.Speak(QStringLiteral("%1件見つかりました。").arg(count));
    showListWindow();
}

void Form1::Sirimasen(const QString &question)
{
    m_state.SearchWord = question;
    Character &character = m_state.character();
    character.Speak(QStringLiteral("知りません。教えてください。"));
    character.Play(QStringLiteral("decline"));
    showTeachWindow();
    // An answer that came from another thread finds the box as the user left it meanwhile.
    if (m_text1->text() == question)
        m_text1->clear();
}

void Form1::showTeachWindow()
{
    presentWindow(ensureWindow(m_form2, [this] { return new Form2(m_state, m_services.files); }));
}

void Form1::showListWindow()
{
    Form3 *list = ensureWindow(m_form3, [this] {
        auto *made = new Form3(m_state, m_data1, m_backgroundPassAbove);
        connect(made, &Form3::entryChosen, this, &Form1::presentChosenEntry);
        return made;
    });
    if (!m_form3Initialized) {
        m_form3Initialized = true;
        list->Form_Initialize();
    }
    list->present();
}

void Form1::showCorrectionWindow()
{
    presentWindow(ensureWindow(
        m_form4, [this] { return new Form4(m_state, m_services.characters, m_services.files); }));
}

// Closing the bar from its title bar ends the program at once: the character leaves with its
// bar, with no farewell (that is what 終了 is for), and a desktop session that is logging out is
// never held up.
void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}

void Form1::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget::mouseDoubleClickEvent(event);
    Sirabemasu();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_text1)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        // F1 in the question box asks, whatever the modifiers; Enter and all other keys do not.
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
            Sirabemasu();
            return true;
        }
        break;
    case QEvent::FocusIn:
        selectPromptOnFocus(static_cast<QFocusEvent *>(event)->reason());
        break;
    case QEvent::MouseButtonRelease:
        selectPromptAfterClick();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// While the box still holds the prompt, coming into it selects the whole prompt, so that the
// first key typed replaces it instead of being added to it.
void Form1::selectPromptOnFocus(Qt::FocusReason reason)
{
    if (m_text1->text() != Prompt)
        return;
    m_text1->selectAll();
    // A click places the cursor after the focus came; its release selects the prompt again.
    m_promptClicked = reason == Qt::MouseFocusReason;
}

void Form1::selectPromptAfterClick()
{
    if (!std::exchange(m_promptClicked, false))
        return;
    if (m_text1->text() == Prompt && !m_text1->hasSelectedText())
        m_text1->selectAll();
}

} // namespace donguri

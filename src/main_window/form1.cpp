// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "character/character.h"
#include "character/character_stage.h"
#include "chatter.h"
#include "clock.h"
#include "editors/match_list_model.h"
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/knowledge_base.h"
#include "kb/question_service.h"
#include "kb/word_pattern.h"
#include "link_opener.h"
#include "main_window_log.h"
#include "random_source.h"
#include "ui/kb_problem_text.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

const QStringList Greetings = {
    QStringLiteral("なんでも聞いてください。"), QStringLiteral("眠いんだけどなー"),
    QStringLiteral("さあ、今日も働こうか。"),   QStringLiteral("いいお天気ですね。"),
    QStringLiteral("はい、何でしょう。"),       QStringLiteral("こんちわー、お元気だった？"),
};

// The most of a meaning the character is handed: far more than its balloon shows at once.
constexpr qsizetype PresentedMeaningChars = qsizetype{64} * 1024;

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
    : QWidget(parent), m_state(state), m_services(services)
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

// The start-up sequence. A step that fails is passed over and the next one runs. The character
// comes up once its choice has been read, which never holds the bar.
void Form1::Form_Load()
{
    m_services.random.seed(quint64(m_services.clock.now().toMSecsSinceEpoch()));

    m_timer1.setSingleShot(true);
    m_timer1.setTimerType(Qt::PreciseTimer);
    m_timer2.setInterval(5000);
    m_timer2.setSingleShot(true);

    const QString location = m_state.DatabasePath;
    m_state.questions().call<int>(
        QuestionService::Lane::Edit, location, this,
        [](KnowledgeBase &kb) { return chosenCharacterNumber(kb); },
        [this, location](const Reply<int> &reply) {
            // Without a usable knowledge base Genie comes up all the same, and says why it
            // will not be able to answer.
            greet(reply.value.value_or(1));
            if (!reply.ok())
                tellProblem(u"reading the character choice"_s, location, reply.cause, reply.detail,
                            reply.error);
        });
}

void Form1::greet(int characterChoice)
{
    m_state.CurrentCharacter =
        CharacterStage::loadChosenCharacter(characterChoice, m_services.characters);
    Character &character = m_state.character();
    character.Show();
    character.Speak(Greetings.at(drawRow(m_services.random, int(Greetings.size())) - 1));
    character.MoveTo(900, 0);
    m_characterUp = true;
    aimTimer1();
    for (const std::function<void()> &step : std::exchange(m_waitingForCharacter, {}))
        step();
}

// Until the character has come up, what would speak through it waits and follows its greeting
// in the order asked; the clock is started only then. (A question needs no such wait: its answer
// comes after the character's choice, which was asked for first.) 修正 waits as well, since the
// character its window loads would be replaced by the chosen one.
void Form1::whenCharacterIsUp(std::function<void()> step)
{
    if (m_characterUp)
        step();
    else
        m_waitingForCharacter.push_back(std::move(step));
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
    whenCharacterIsUp([this] {
        Character &character = m_state.character();
        character.Speak(QStringLiteral("それじゃ、またね。"));
        character.Play(QStringLiteral("wave"));
        character.Play(QStringLiteral("hide"));
        // Once armed nothing stops or restarts it: a second press keeps the first deadline.
        if (!m_timer2.isActive())
            m_timer2.start();
    });
}

void Form1::Command1_Click()
{
    Sirabemasu();
}

void Form1::Command2_Click()
{
    whenCharacterIsUp([this] { Hanasimasu(1); });
}

void Form1::Command3_Click()
{
    whenCharacterIsUp([this] { Hanasimasu(2); });
}

void Form1::Command4_Click()
{
    whenCharacterIsUp([this] {
        Character &character = m_state.character();
        character.Speak(QStringLiteral("直す言葉を入れて呼び出しを押してください。"));
        character.Play(QStringLiteral("write"));
        showCorrectionWindow();
    });
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

// Answers the question in the box. The knowledge base is asked on the question service and the
// answer follows when it comes; a newer question takes over from one still being looked up.
// Any failure ends the whole lookup silently, with the question left in the box.
void Form1::Sirabemasu()
{
    const QString typed = m_text1->text();
    // An input method leaves blanks around a word; they are no part of the question.
    const QString question = withoutSurroundingSpace(typed);
    if (question == StatusKeyword) {
        askKnowledgeBase<qint64>(
            u"counting the entries"_s, [](KnowledgeBase &kb) { return kb.countAll(); },
            [this, typed](qint64 count) { reportCount(typed, count); });
        return;
    }
    // One call finds the matches and the words the list shows first: the count is spoken and
    // the list opens on a single wait, and it lists just what was counted.
    if (isPatternQuestion(question)) {
        askKnowledgeBase<MatchPreview>(
            u"finding the matches of a pattern"_s,
            [question](KnowledgeBase &kb) {
                return kb.matchPreview(question, MatchListModel::RowsPerPage);
            },
            [this, question, typed, location = m_state.DatabasePath](MatchPreview found) {
                answerPattern(question, question, typed, {location, std::move(found)});
            });
        return;
    }
    // The word and its entry are read in one call, so an answer costs one wait; so are the
    // second tries of a word not found as typed.
    askKnowledgeBase<WordAnswer>(
        u"looking up a word"_s, [question](KnowledgeBase &kb) { return lookUp(kb, question); },
        [this, question, typed, location = m_state.DatabasePath](WordAnswer answer) {
            if (answer.entry)
                present(*answer.entry, typed);
            else if (answer.matches)
                answerPattern(answer.pattern, question, typed,
                              {location, std::move(*answer.matches)});
            else
                Sirimasen(question, typed);
        });
}

// The word as typed; then in its plain form (ＡＢＣ as ABC, ｶﾀｶﾅ as カタカナ); then, with a
// full-width asterisk in it, as the pattern an input method in Japanese mode meant.
Form1::WordAnswer Form1::lookUp(KnowledgeBase &kb, const QString &question)
{
    const auto entryOf = [&kb](const QString &word) -> std::optional<Entry> {
        const std::optional<qint32> id = kb.findWord(word);
        if (!id)
            return std::nullopt;
        if (std::optional<Entry> entry = kb.entryBeginning(*id, PresentedMeaningChars + 1))
            return entry;
        throw KbError(u"entry %1 has gone"_s.arg(*id));
    };
    if (std::optional<Entry> entry = entryOf(question))
        return {std::move(entry), {}, std::nullopt};
    if (const std::optional<QString> plain = plainForm(question);
        plain && !isPatternQuestion(*plain))
        if (std::optional<Entry> entry = entryOf(*plain))
            return {std::move(entry), {}, std::nullopt};
    if (const std::optional<QString> pattern = fullWidthPattern(question))
        return {std::nullopt, *pattern, kb.matchPreview(*pattern, MatchListModel::RowsPerPage)};
    return {};
}

// Runs one step of a question on the service. A question that cannot be answered says why in
// the balloon, with the question left in the box. The first answer from a knowledge base made
// for a name the user gave follows the word that it was made, so that a mistyped name shows at
// once.
template <typename T>
void Form1::askKnowledgeBase(const QString &what, std::function<T(KnowledgeBase &)> work,
                             std::function<void(T)> answered)
{
    const QString location = m_state.DatabasePath;
    m_state.questions().call<T>(
        QuestionService::Lane::Question, location, this, std::move(work),
        [this, what, location, answered = std::move(answered)](Reply<T> reply) {
            if (reply.ok()) {
                noteAnswered();
                if (const std::optional<QString> made =
                        m_state.NewKnowledgeBases.announcement(location))
                    m_state.character().Speak(*made);
                answered(std::move(*reply.value));
                return;
            }
            tellProblem(what, location, reply.cause, reply.detail, reply.error);
        });
}

// Every failed question shows the sentence; the voice says it the first time for a cause (a
// person who asks again and again hears it once), and the log has it once per change.
void Form1::tellProblem(const QString &what, const QString &location, KbCause cause,
                        const QString &detail, const QString &error)
{
    if (m_lastProblem != cause)
        qCWarning(lcMainWindow).noquote()
            << what << "failed on" << shownLocation(location) << "-" << error;
    m_lastProblem = cause;
    const QString sentence = kbProblemSentence(cause, location, detail);
    whenCharacterIsUp([this, cause, sentence] {
        Character &character = m_state.character();
        if (m_problemsSaidAloud.contains(cause)) {
            character.ShowText(sentence);
            return;
        }
        m_problemsSaidAloud.append(cause);
        character.Speak(sentence);
    });
}

// A good answer after a failure: the next failure is news again.
void Form1::noteAnswered()
{
    if (m_lastProblem)
        qCInfo(lcMainWindow).noquote() << "the knowledge base answers again";
    m_lastProblem.reset();
    m_problemsSaidAloud.clear();
}

void Form1::reportCount(const QString &typed, qint64 count)
{
    Character &character = m_state.character();
    character.Play(QStringLiteral("read"));
    character.Speak(QStringLiteral("現在の登録件数は %1 件です。").arg(count));
    if (m_text1->text() == typed)
        m_text1->clear();
}

void Form1::answerPattern(const QString &pattern, const QString &question, const QString &typed,
                          FoundMatches found)
{
    const qint64 count = found.matches.ids ? found.matches.ids->size() : 0;
    if (count == 0)
        Sirimasen(question, typed);
    else
        Mitukarimasita(qint32(std::min<qint64>(count, INT32_MAX)), pattern, std::move(found));
}

void Form1::Osiemasu(const qint32 &kotae)
{
    const qint32 id = kotae;
    askKnowledgeBase<Entry>(
        u"reading a chosen entry"_s,
        // The character shows and says only the beginning of a long meaning, so only that is
        // read; the clipboard gets the whole meaning.
        [id](KnowledgeBase &kb) {
            if (std::optional<Entry> entry = kb.entryBeginning(id, PresentedMeaningChars + 1))
                return *entry;
            throw KbError(u"no entry has ID %1"_s.arg(id));
        },
        [this](const Entry &entry) { present(entry, std::nullopt); });
}

// Clipboard, link, then the meaning spoken. An entry without a meaning says nothing at all.
// The box is emptied when it still holds the question answered (or always, for an entry chosen
// from the list): the user may have typed on while the answer was on its way.
void Form1::present(const Entry &entry, const std::optional<QString> &question)
{
    if (!entry.meaning) {
        qCWarning(lcMainWindow).noquote()
            << "entry" << entry.id << "of" << shownLocation(m_state.DatabasePath)
            << "has no meaning to present";
        return;
    }
    const QString &meaning = *entry.meaning;
    if (m_check1->isChecked()) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        const quint64 copy = ++m_clipboardCopy; // a copy still on its way is outdated now
        if (meaning.size() <= PresentedMeaningChars)
            clipboard->setText(meaning);
        else
            copyWholeMeaningLater(entry.id, copy);
    }
    // A local document is loaded before the character speaks; a web page is handed to the
    // browser and the speech follows at once. Nothing here waits on the network.
    if (!entry.link.isEmpty())
        m_services.links.open(entry.link, linkFolder(m_state.DatabasePath, m_state.SettingsFile));
    Character &character = m_state.character();
    character.Play(QStringLiteral("announce"));
    character.Speak(meaning);
    m_state.IdleCount = 0;
    if (!question || m_text1->text() == *question)
        m_text1->clear();
}

// A meaning too long to read while the bar waits goes to the clipboard as soon as the question
// service has read it; a later answer's copy takes its place.
void Form1::copyWholeMeaningLater(qint32 id, quint64 copy)
{
    const QString location = m_state.DatabasePath;
    m_state.questions().call<std::optional<QString>>(
        QuestionService::Lane::Edit, location, this,
        [id](KnowledgeBase &kb) {
            const std::optional<Entry> entry = kb.entry(id);
            return entry ? entry->meaning : std::nullopt;
        },
        [this, copy, location](Reply<std::optional<QString>> reply) {
            if (reply.ok() && *reply.value) {
                if (copy == m_clipboardCopy)
                    QGuiApplication::clipboard()->setText(**reply.value);
                return;
            }
            qCWarning(lcMainWindow).noquote()
                << "the meaning for the clipboard could not be read from" << shownLocation(location)
                << "-" << reply.error;
        });
}

// A word chosen in the match list is presented like an answer; when its entry cannot be read
// nothing is said, as for a question.
void Form1::presentChosenEntry(qint32 id)
{
    Osiemasu(id);
}

void Form1::Mitukarimasita(qint32 count, const QString &question, FoundMatches found)
{
    m_state.SearchWord = question;
    Character &character = m_state.character();
    character.Play(QStringLiteral("announce"));
    character.Speak(QStringLiteral("%1件見つかりました。").arg(count));
    showListWindow(std::move(found));
}

void Form1::Sirimasen(const QString &question, const QString &typed)
{
    m_state.SearchWord = question;
    Character &character = m_state.character();
    character.Speak(QStringLiteral("知りません。教えてください。"));
    character.Play(QStringLiteral("decline"));
    showTeachWindow();
    // An answer that came from another thread finds the box as the user left it meanwhile.
    if (m_text1->text() == typed)
        m_text1->clear();
}

// A teach window still open is told the new word; one made now starts with it.
void Form1::showTeachWindow()
{
    Form2 *teach = ensureWindow(m_form2, [this] { return new Form2(m_state, m_services.files); });
    teach->askAbout(m_state.SearchWord);
    presentWindow(teach);
}

void Form1::showListWindow(FoundMatches found)
{
    Form3 *list = ensureWindow(m_form3, [this] {
        auto *made = new Form3(m_state);
        connect(made, &Form3::entryChosen, this, &Form1::presentChosenEntry);
        return made;
    });
    // Matches found in a knowledge base the user has since left are not offered: the list
    // reads its own.
    list->offerMatches(found.location, m_state.SearchWord, std::move(found.matches));
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

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Form1: the question bar, the main window from which everything else is reached.
#pragma once

#include "editors/form2.h"
#include "editors/form3.h"
#include "editors/form4.h"
#include "editors/form5.h"
#include "kb/kb_error.h"
#include "kb/knowledge_base.h"
#include "kb/question_service.h"
#include "services.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace donguri {

class SharedState;

// Form1, the main window: the question bar from which everything else is reached.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    Form1(SharedState &state, Services services, QWidget *parent = nullptr);
    ~Form1() override;

    // Event handlers, public so that tests can drive them directly.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Button_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    // Asks `question` as F1 in the question box does, from outside the bar (a word selected in
    // another program). The bar is not brought forward: only the teach window, for a word it does
    // not know, takes the keyboard focus.
    void ask(const QString &question);

    // Presents the entry with that ID once it has been read: clipboard, link, then the
    // character speaks its meaning. An entry that cannot be read ends it silently.
    void Osiemasu(const qint32 &kotae);
    // Talks about the date (1), the time (2) or passes the time (9); any other topic is ignored.
    void Hanasimasu(qint16 topic);
    // Announces the full hour (0 … 23).
    void Sirasemasu(qint16 hour);

    // The windows of this run, while they are open.
    Form2 *teachWindow() const { return m_form2; }
    Form3 *listWindow() const { return m_form3; }
    Form4 *correctionWindow() const { return m_form4; }
    Form5 *settingsWindow() const { return m_form5; }

    QTimer &Timer1() { return m_timer1; }
    QTimer &Timer2() { return m_timer2; }

Q_SIGNALS:
    // The program ends now: the farewell has run its five seconds, or the bar was closed.
    void endRequested();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    void aimTimer1();
    void greet(int characterChoice);
    // Says in the balloon why the knowledge base could not answer.
    void tellProblem(const QString &what, const QString &location, KbCause cause,
                     const QString &detail, const QString &error);
    void noteAnswered();
    void whenCharacterIsUp(std::function<void()> step);
    void Sirabemasu();
    template <typename T>
    void askKnowledgeBase(const QString &what, std::function<T(KnowledgeBase &)> work,
                          std::function<void(T)> answered);
    void reportCount(const QString &typed, qint64 count);
    // A pattern's matches and the knowledge base they were found in.
    struct FoundMatches
    {
        QString location;
        MatchPreview matches;
    };
    // `question` is what the teach window gets when nothing matches.
    void answerPattern(const QString &pattern, const QString &question, const QString &typed,
                       FoundMatches found);
    // A word's entry, or the matches of the pattern it turned out to mean, or neither.
    struct WordAnswer
    {
        std::optional<Entry> entry;
        QString pattern;
        std::optional<MatchPreview> matches;
    };
    static WordAnswer lookUp(KnowledgeBase &kb, const QString &question);
    void present(const Entry &entry, const std::optional<QString> &question);
    void Mitukarimasita(qint32 count, const QString &question, FoundMatches found);
    void Sirimasen(const QString &question, const QString &typed);
    void presentChosenEntry(qint32 id);
    void copyWholeMeaningLater(qint32 id, quint64 copy);
    void showTeachWindow();
    void showListWindow(FoundMatches found);
    void showCorrectionWindow();
    void endProgram();
    void selectPromptOnFocus(Qt::FocusReason reason);
    void selectPromptAfterClick();

    SharedState &m_state;
    Services m_services;

    QPushButton *m_button = nullptr;
    QLineEdit *m_text1 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command3 = nullptr;
    QPushButton *m_command4 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QPushButton *m_command5 = nullptr;
    QTimer m_timer1;
    QTimer m_timer2;

    QPointer<Form2> m_form2;
    QPointer<Form3> m_form3;
    QPointer<Form4> m_form4;
    QPointer<Form5> m_form5;
    bool m_characterUp = false;
    // The causes of failed questions told aloud since the last answer: the balloon shows every
    // one, the voice says each once.
    QList<KbCause> m_problemsSaidAloud;
    std::optional<KbCause> m_lastProblem;                     // logged once per change
    std::vector<std::function<void()>> m_waitingForCharacter; // asked of it before it came up
    bool m_form3Initialized = false;
    bool m_ending = false;
    bool m_promptClicked = false;
    quint64 m_clipboardCopy = 0; // the latest answer's copy to the clipboard
};

} // namespace donguri

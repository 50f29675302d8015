// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/knowledge_base.h"
#include "kb/question_service.h"
#include "ui/capped_text.h"
#include "ui/file_chooser.h"
#include "ui/problem_line.h"
#include "ui/shared_state.h"

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace donguri {

class SharedState;

// What the teach and the correction window share: the word, meaning and link boxes with their
// labels, "参照" with its link chooser, "登録" and "閉じる", a line that tells why something
// failed, and the window's own connection to the knowledge base.
class EntryForm : public QWidget
{
    Q_OBJECT
public:
    // The most the boxes take. Text pasted beyond it is cut, with a note on the problem line.
    static constexpr TextBounds MeaningBounds = {1'048'576, 16'384, 16'384}; // 1 Mi, 16 Ki, 16 Ki
    static constexpr qsizetype LineBoxChars = 10'240; // the word and the link, 10 Ki

    QLineEdit *word() const { return m_word; }
    QPlainTextEdit *meaning() const { return m_meaning; }
    QLineEdit *link() const { return m_link; }

    QString wordText() const;
    QString meaningText() const;
    QString linkText() const;
    // The word as it is stored and looked up: without the blanks an input method or a paste
    // leaves at its ends (ASCII and full-width spaces, tabs, line breaks).
    QString wordToStore() const;

    // What the three boxes hold.
    struct Texts
    {
        QString word;
        QString meaning;
        QString link;
        bool operator==(const Texts &) const = default;
    };
    Texts texts() const { return {wordText(), meaningText(), linkText()}; }

    // 参照: asks for a linked document; a chosen file's full path replaces the link box, a
    // cancel leaves it alone. The chooser starts from the file chosen last in this window.
    void Command2_Click();
    void FOPEN();

    // The link chooser's types, first one preselected.
    static QList<FileFilter> linkFilters();

protected:
    // Where a window puts its own "登録" and "閉じる", which differ between the two.
    struct Buttons
    {
        QRect save;
        QString closeName;
        QRect close;
    };

    EntryForm(SharedState &state, FileChooser &chooser, const QString &objectName,
              const QString &caption, const Buttons &buttons, QWidget *parent);

    QPushButton *saveButton() const { return m_save; }
    QPushButton *browseButton() const { return m_browse; }
    QPushButton *closeButton() const { return m_close; }
    ProblemLine &problem() { return m_problem; }

    // Runs a write on the question service. While it is on its way the boxes keep their text
    // and "登録" is off, so a second click cannot write twice. When it comes back `saved` runs,
    // or a failure shows `failureText` on the problem line, followed by its cause. Closed
    // meanwhile, the window waits hidden for the answer: it goes once `saved` has run, and a
    // failure brings it back.
    void write(std::function<void(KnowledgeBase &)> writing, const QString &failureText,
               std::function<void()> saved);
    // Runs a read on the question service whose answer fills the meaning and link boxes. Until
    // the latest such read is answered those boxes are off and "参照" and "登録" wait, so
    // the answer overwrites nothing typed and nothing is saved in its place. `done` runs for the
    // latest read only; when it fails, `failureText` and its cause go on the problem line
    // instead.
    template <typename T>
    void read(std::function<T(KnowledgeBase &)> reading, const QString &failureText,
              std::function<void(T)> done);
    // A button of the window's own that waits, like "登録", while a write is on its way.
    void offWhileWriting(QPushButton *button);
    // Locks the word box (read-only) or opens it again. While a read that fills the boxes is on
    // its way the word box is locked anyway: the answer is for the word as it was asked.
    void lockWord(bool locked);
    // Puts a text into the word or the link box; one longer than the box takes is cut, and the
    // problem line says so.
    void putText(QLineEdit *box, const QString &text);

    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

public:
    // Whether a write is on its way.
    bool isWriting() const { return m_writing; }
    // Whether a read that fills the boxes is on its way.
    bool isFilling() const { return m_fillingRead != 0; }

protected:
    SharedState &m_state;

private:
    enum class Access { Read, Write };

    void buildFields();
    void capBoxes();
    void noteCutPaste(qsizetype kept, Overflow overflow);
    void noteFullBox(QLineEdit *box);
    quint64 startFilling();
    bool takeFilling(quint64 read, const QString &failureText, const QString &location,
                     const CallFailure &failure);
    void reportFailure(const QString &failureText, const QString &location,
                       const CallFailure &failure, Access access);
    void showWhatWaits();
    void comeBack();
    void finishClosing();

    QLineEdit *m_word = nullptr;
    CappedTextEdit *m_meaning = nullptr;
    QLineEdit *m_link = nullptr;
    QPushButton *m_browse = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_close = nullptr;
    ProblemLine m_problem;
    RememberingChooser m_chooser;
    QList<QPushButton *> m_offWhileWriting;
    bool m_writing = false;
    bool m_wordLocked = false;
    quint64 m_reads = 0;       // reads made so far
    quint64 m_fillingRead = 0; // the read that fills the boxes when answered; 0 when none
    // Closed while a write was on its way: hidden until it is answered.
    bool m_closedDuringWrite = false;
    bool m_deleteWhenAnswered = false; // the window was to be deleted when closed
};

template <typename T>
void EntryForm::read(std::function<T(KnowledgeBase &)> reading, const QString &failureText,
                     std::function<void(T)> done)
{
    const QString location = m_state.DatabasePath;
    const quint64 read = startFilling();
    m_state.questions().call<T>(
        QuestionService::Lane::Edit, location, this, std::move(reading),
        [this, failureText, location, read, done = std::move(done)](Reply<T> reply) {
            if (takeFilling(read, failureText, location,
                            CallFailure{reply.error, reply.cause, reply.detail}))
                done(std::move(*reply.value));
        });
}

} // namespace donguri

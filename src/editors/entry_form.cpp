// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_form.h"

#include "editors_log.h"
#include "kb/kb_location.h"
#include "kb/word_pattern.h"
#include "ui/kb_problem_text.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <utility>

namespace donguri {

namespace {
// Client area of both windows, 7215 × 2805 twips.
const QSize ClientSize(481, 187);

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, QRect place)
{
    auto *label = new QLabel(caption, parent);
    nameControl(label, name, caption);
    label->setGeometry(place);
    return label;
}

// 言葉 and 意味 stand out a little; リンク keeps the window's font.
QLabel *makeFieldTitle(QWidget *parent, const QString &name, const QString &caption, QRect place)
{
    QLabel *label = makeLabel(parent, name, caption, place);
    label->setFont(japaneseFont(11.25));
    return label;
}

// Which of the meaning box's bounds a paste ran into, in words.
QString meaningBound(Overflow overflow)
{
    const TextBounds &bounds = EntryForm::MeaningBounds;
    switch (overflow) {
    case Overflow::Lines:
        return QStringLiteral("意味は %1 行までです。").arg(bounds.lines);
    case Overflow::LineChars:
        return QStringLiteral("改行のない段落は %1 文字までです。").arg(bounds.lineChars);
    case Overflow::Chars:
    case Overflow::None:
        break;
    }
    return QStringLiteral("意味は %1 文字までです。").arg(bounds.chars);
}
} // namespace

EntryForm::EntryForm(SharedState &state, FileChooser &chooser, const QString &objectName,
                     const QString &caption, const Buttons &buttons, QWidget *parent)
    : QWidget(parent), m_state(state), m_problem(this, ClientSize),
      m_chooser(chooser, linkFilters())
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setAccessibleName(caption);
    setFont(japaneseFont());
    buildFields();
    m_save = makeButton(this, QStringLiteral("Command1"), QStringLiteral("登録"), buttons.save);
    m_close = makeButton(this, buttons.closeName, QStringLiteral("閉じる"), buttons.close);
    const QList<QWidget *> tabOrder = {m_word, m_meaning, m_save, m_link, m_browse, m_close};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    connect(m_browse, &QPushButton::clicked, this, &EntryForm::Command2_Click);
}

void EntryForm::buildFields()
{
    m_word = new QLineEdit(this);
    nameControl(m_word, QStringLiteral("Text1"), QStringLiteral("言葉"));
    m_word->setGeometry(fromTwips(960, 120, 5055, 270));
    makeFieldTitle(this, QStringLiteral("Label1"), QStringLiteral("言葉"),
                   fromTwips(240, 120, 615, 255));
    makeFieldTitle(this, QStringLiteral("Label2"), QStringLiteral("意味"),
                   fromTwips(240, 600, 495, 255));
    m_meaning = new CappedTextEdit(MeaningBounds, this);
    nameControl(m_meaning, QStringLiteral("Text2"), QStringLiteral("意味"));
    m_meaning->setGeometry(fromTwips(960, 600, 5055, 1695));
    m_meaning->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_meaning->setTabChangesFocus(true);
    m_link = new QLineEdit(this);
    nameControl(m_link, QStringLiteral("Text3"), QStringLiteral("リンク"));
    m_link->setGeometry(fromTwips(960, 2400, 5055, 270));
    makeLabel(this, QStringLiteral("Label3"), QStringLiteral("リンク"),
              fromTwips(120, 2400, 735, 255));
    m_browse = makeButton(this, QStringLiteral("Command2"), QStringLiteral("参照"),
                          fromTwips(6120, 2400, 855, 255));
    capBoxes();
}

// A paste of megabytes would hold the window for minutes while it is laid out: each box takes
// only what it can show at once, and says when it did not take everything.
void EntryForm::capBoxes()
{
    connect(m_meaning, &CappedTextEdit::pasteCut, this, &EntryForm::noteCutPaste);
    for (QLineEdit *box : {m_word, m_link}) {
        box->setMaxLength(int(LineBoxChars));
        connect(box, &QLineEdit::inputRejected, this, [this, box] { noteFullBox(box); });
    }
}

void EntryForm::noteCutPaste(qsizetype kept, Overflow overflow)
{
    const QString taken =
        kept > 0 ? QStringLiteral("貼り付けた文は先頭の %1 文字だけを入れました。").arg(kept)
                 : QStringLiteral("貼り付けた文は入れませんでした。");
    m_problem.show(meaningBound(overflow) + taken);
}

// The box's own name says which box: 言葉 or リンク.
void EntryForm::noteFullBox(QLineEdit *box)
{
    m_problem.show(QStringLiteral("%1は %2 文字までなので、入りきらない分は入れませんでした。")
                       .arg(box->accessibleName())
                       .arg(box->maxLength()));
}

void EntryForm::putText(QLineEdit *box, const QString &text)
{
    box->setText(text);
    if (text.size() > box->maxLength())
        noteFullBox(box);
}

QString EntryForm::wordText() const
{
    return m_word->text();
}
QString EntryForm::meaningText() const
{
    return m_meaning->toPlainText();
}
QString EntryForm::linkText() const
{
    return m_link->text();
}
QString EntryForm::wordToStore() const
{
    // The same rule as the bar's questions, so that a word taught is found as it is asked.
    return withoutSurroundingSpace(m_word->text());
}

void EntryForm::Command2_Click()
{
    FOPEN();
}

void EntryForm::FOPEN()
{
    if (const std::optional<QString> chosen = m_chooser.choose(this))
        m_link->setText(*chosen);
}

QList<FileFilter> EntryForm::linkFilters()
{
    return {{QStringLiteral("htmlファイル (*.htm)"), QStringLiteral("*.htm *.html")},
            {QStringLiteral("テキストファイル(*.txt)"), QStringLiteral("*.txt")},
            {QStringLiteral("ピクチャ (*.bmp)"), QStringLiteral("*.bmp")}};
}

void EntryForm::write(std::function<void(KnowledgeBase &)> writing, const QString &failureText,
                      std::function<void()> saved)
{
    if (m_writing)
        return;
    m_writing = true;
    showWhatWaits();
    const QString location = m_state.DatabasePath;
    m_state.questions().call<bool>(
        QuestionService::Lane::Edit, location, this,
        [writing = std::move(writing)](KnowledgeBase &kb) {
            writing(kb);
            return true;
        },
        [this, failureText, location, saved = std::move(saved)](const Reply<bool> &reply) {
            m_writing = false;
            showWhatWaits();
            const bool closed = std::exchange(m_closedDuringWrite, false);
            if (!reply.ok()) {
                reportFailure(failureText, location,
                              CallFailure{reply.error, reply.cause, reply.detail}, Access::Write);
                if (closed)
                    comeBack();
                return;
            }
            m_problem.clear();
            saved();
            if (closed)
                finishClosing();
        });
}

// The user closed the window, but a write is still on its way: the window only hides, since
// its answer has yet to be told, and what was typed must still be there when the write fails.
void EntryForm::closeEvent(QCloseEvent *event)
{
    if (m_writing && !m_closedDuringWrite) {
        m_closedDuringWrite = true;
        m_deleteWhenAnswered = testAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_DeleteOnClose, false);
    }
    QWidget::closeEvent(event);
}

// Shown again before the write was answered (the bar opened it anew): open as before the close.
void EntryForm::showEvent(QShowEvent *event)
{
    if (std::exchange(m_closedDuringWrite, false))
        setAttribute(Qt::WA_DeleteOnClose, m_deleteWhenAnswered);
    QWidget::showEvent(event);
}

void EntryForm::comeBack()
{
    setAttribute(Qt::WA_DeleteOnClose, m_deleteWhenAnswered);
    presentWindow(this);
}

// Deleted at once, not later: the next answer may already be waiting, and the bar must then
// open a new window instead of showing this one again.
void EntryForm::finishClosing()
{
    if (m_deleteWhenAnswered)
        delete this;
}

quint64 EntryForm::startFilling()
{
    m_fillingRead = ++m_reads;
    showWhatWaits();
    return m_fillingRead;
}

// Whether the answer to `read` fills the boxes: it is the latest read's, and it did not fail (a
// failure goes on the problem line). Either way the boxes are free again once the latest read
// is answered.
bool EntryForm::takeFilling(quint64 read, const QString &failureText, const QString &location,
                            const CallFailure &failure)
{
    if (read != m_fillingRead) {
        if (!failure.error.isEmpty())
            qCWarning(lcEditors).noquote()
                << windowTitle() << "- a read taken over by a later one failed on"
                << shownLocation(location) << "-" << failure.error;
        return false;
    }
    m_fillingRead = 0;
    showWhatWaits();
    if (!failure.error.isEmpty()) {
        reportFailure(failureText, location, failure, Access::Read);
        return false;
    }
    m_problem.clear();
    return true;
}

void EntryForm::lockWord(bool locked)
{
    m_wordLocked = locked;
    showWhatWaits();
}

void EntryForm::offWhileWriting(QPushButton *button)
{
    m_offWhileWriting << button;
    showWhatWaits();
}

// The boxes a read will fill are off until it is answered (greyed, they take neither keys nor
// the input method's text), and the word it is for stays as it was asked; 登録 waits for that
// and for a write on its way, 参照 for the read, and the window's own buttons for the write.
void EntryForm::showWhatWaits()
{
    m_word->setReadOnly(m_wordLocked || isFilling());
    m_meaning->setEnabled(!isFilling());
    m_link->setEnabled(!isFilling());
    m_browse->setEnabled(!isFilling());
    m_save->setEnabled(!isFilling() && !m_writing);
    for (QPushButton *button : std::as_const(m_offWhileWriting))
        button->setEnabled(!m_writing);
}

// The window's own first sentence says what could not be done, the next one why, naming the
// file or the server; the store's own words go into the tool tip and the log.
void EntryForm::reportFailure(const QString &failureText, const QString &location,
                              const CallFailure &failure, Access access)
{
    qCWarning(lcEditors).noquote() << windowTitle() << "-" << failureText << "on"
                                   << shownLocation(location) << "-" << failure.error;
    const QString cause = access == Access::Write
                              ? kbWriteProblemSentence(failure.cause, location, failure.detail)
                              : kbProblemSentence(failure.cause, location, failure.detail);
    m_problem.show(failureText + cause, failure.error);
}

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form4.h"

#include "character/character.h"
#include "character/character_stage.h"
#include "kb/knowledge_base.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace donguri {

Form4::Form4(SharedState &state, CharacterLoader &characters, FileChooser &chooser, QWidget *parent)
    : EntryForm(state, chooser, QStringLiteral("Form4"), QStringLiteral("直します。"),
                {fromTwips(6120, 480, 855, 255), QStringLiteral("Command4"),
                 fromTwips(6120, 720, 855, 255)},
                parent),
      m_characters(characters)
{
    auto *callUp = makeButton(this, QStringLiteral("Command3"), QStringLiteral("呼び出し"),
                              fromTwips(6120, 120, 855, 255));
    // 呼び出し comes between 参照 and 閉じる in the tab order.
    setTabOrder(browseButton(), callUp);
    setTabOrder(callUp, closeButton());
    connect(saveButton(), &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(callUp, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(closeButton(), &QPushButton::clicked, this, &Form4::Command4_Click);
    // A call-up would fill the boxes under a save that may still fail.
    offWhileWriting(callUp);
    Form_Load();
}

// From here on every window speaks through the character this window loads. CurrentCharacter
// owns it, so it outlives this window.
void Form4::Form_Load()
{
    if (auto genie = CharacterStage::loadCorrectionCharacter(m_characters))
        m_state.CurrentCharacter = std::move(genie);
}

std::optional<qint32> Form4::calledUp() const
{
    return m_calledUp ? std::optional<qint32>(m_calledUp->id) : std::nullopt;
}

// Calls up the entry for the typed word (without the blanks at its ends). The word box stays
// locked until the next save. A word that is not stored says so and leaves the window as it was
// before any call-up: the word box open, and the boxes empty unless they hold typing that is
// stored nowhere.
void Form4::Command3_Click()
{
    if (isWriting())
        return;
    m_calledUp.reset();
    lockWord(false); // locked again only once an entry is found
    read<std::optional<Found>>([word = wordToStore()](KnowledgeBase &kb) { return find(kb, word); },
                               QStringLiteral("呼び出せませんでした。"),
                               [this](const std::optional<Found> &found) {
                                   if (found)
                                       showFound(*found);
                                   else
                                       showNotStored();
                               });
}

// Runs on the question service's worker. A meaning of megabytes is not read whole: the box
// shows no more than its beginning.
std::optional<Form4::Found> Form4::find(KnowledgeBase &kb, const QString &word)
{
    const std::optional<qint32> id = kb.findWord(word);
    const std::optional<Entry> entry =
        id ? kb.entryBeginning(*id, MeaningBounds.chars + 2) : std::nullopt;
    if (!entry)
        return std::nullopt;
    Found found{{entry->id}, {entry->meaning.value_or(QString()), entry->link}};
    const TextFit fit = fitText(found.shown.meaning, MeaningBounds);
    found.entry.meaningCut = fit.overflow != Overflow::None;
    found.shown.meaning.truncate(fit.length);
    found.entry.linkCut = found.shown.link.size() > LineBoxChars;
    found.shown.link = textBeginning(found.shown.link, LineBoxChars);
    return found;
}

Form4::Shown Form4::shown() const
{
    return {meaningText(), linkText()};
}

void Form4::showFound(const Found &found)
{
    m_calledUp = found.entry;
    lockWord(true);
    meaning()->setPlainText(found.shown.meaning);
    meaning()->setReadOnly(found.entry.meaningCut);
    link()->setText(found.shown.link);
    link()->setReadOnly(found.entry.linkCut);
    m_held = shown();
    if (found.entry.meaningCut && found.entry.linkCut)
        problem().show(QStringLiteral("この意味とリンクは長すぎるので、先頭だけを見せています。"
                                      "ここでは言葉だけを直せます。"));
    else if (found.entry.meaningCut)
        problem().show(QStringLiteral("この意味は長すぎるので、先頭だけを見せています。"
                                      "ここでは意味は直せません（言葉とリンクは直せます）。"));
    else if (found.entry.linkCut)
        problem().show(QStringLiteral("このリンクは長すぎるので、先頭だけを見せています。"
                                      "ここではリンクは直せません。"));
}

void Form4::showNotStored()
{
    lockWord(false);
    if (shown() == m_held) {
        meaning()->clear();
        meaning()->setReadOnly(false);
        link()->clear();
        link()->setReadOnly(false);
        m_held = shown();
    }
    problem().show(QStringLiteral("この言葉はまだ登録されていません。"));
}

// Writes the boxes into the entry that was called up (by its ID): the word without the blanks
// at its ends, meaning and link as typed. Without a called-up entry nothing is written and the
// problem line says what to do first. While a call-up is on its way there is nothing to write
// yet: 登録 waits for it.
void Form4::Command1_Click()
{
    if (isWriting() || isFilling())
        return;
    lockWord(false);
    if (!m_calledUp) {
        problem().show(QStringLiteral("直す言葉を入れて呼び出しを押してください。"));
        return;
    }
    const Shown saving = shown();
    write([entry = *m_calledUp, word = wordToStore(),
           saving](KnowledgeBase &kb) { writeBack(kb, entry, word, saving); },
          QStringLiteral("直せませんでした。"),
          [this, saving] {
              m_calledUp.reset();
              m_held = saving;
              thank();
          });
}

// Runs on the question service's worker. A box that shows only the beginning of what is stored
// leaves what is stored as it is.
void Form4::writeBack(KnowledgeBase &kb, const CalledUp &entry, const QString &word, Shown shown)
{
    if (entry.meaningCut || entry.linkCut) {
        if (const std::optional<Entry> stored = kb.entry(entry.id)) {
            if (entry.meaningCut)
                shown.meaning = stored->meaning.value_or(QString());
            if (entry.linkCut)
                shown.link = stored->link;
        }
    }
    kb.update(entry.id, word, shown.meaning, shown.link);
}

void Form4::thank()
{
    Character &character = m_state.character();
    character.Play(QStringLiteral("process"));
    character.Speak(QStringLiteral("直しました。"));
}

void Form4::Command4_Click()
{
    close();
}

} // namespace donguri

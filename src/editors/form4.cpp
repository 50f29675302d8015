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

// Calls up the entry for the typed word; the word box stays locked until the next save. A word
// that is not there leaves the boxes as they were, with nothing being corrected.
void Form4::Command3_Click()
{
    if (isWriting())
        return;
    word()->setReadOnly(true);
    m_calledUp.reset();
    read<std::optional<Entry>>(
        [typed = wordText()](KnowledgeBase &kb) -> std::optional<Entry> {
            const std::optional<qint32> id = kb.findWord(typed);
            return id ? kb.entry(*id) : std::nullopt;
        },
        QStringLiteral("呼び出せませんでした。知識ファイルを読めません。"),
        [this](const std::optional<Entry> &entry) {
            if (!entry)
                return;
            m_calledUp = entry->id;
            meaning()->setPlainText(entry->meaning.value_or(QString()));
            link()->setText(entry->link);
        });
}

// Writes the boxes, exactly as typed, into the entry that was called up (by its ID). Without a
// called-up entry nothing is written and nothing is said. While a call-up is on its way there
// is nothing to write yet: 登録 waits for it.
void Form4::Command1_Click()
{
    if (isWriting() || isFilling())
        return;
    word()->setReadOnly(false);
    if (!m_calledUp)
        return;
    const qint32 id = *m_calledUp;
    write([id, word = wordText(), meaning = meaningText(),
           link = linkText()](KnowledgeBase &kb) { kb.update(id, word, meaning, link); },
          QStringLiteral("直せませんでした。知識ファイルに書き込めません。"),
          [this] {
              m_calledUp.reset();
              Character &character = m_state.character();
              character.Play(QStringLiteral("process"));
              character.Speak(QStringLiteral("直しました。"));
          });
}

void Form4::Command4_Click()
{
    close();
}

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form2.h"

#include "character/character.h"
#include "kb/knowledge_base.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QLineEdit>
#include <QPushButton>

namespace donguri {

Form2::Form2(SharedState &state, FileChooser &chooser, QWidget *parent)
    : EntryForm(state, chooser, QStringLiteral("Form2"), QStringLiteral("教えてください。"),
                {fromTwips(6120, 120, 855, 255), QStringLiteral("Command3"),
                 fromTwips(6120, 480, 855, 255)},
                parent)
{
    connect(saveButton(), &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(closeButton(), &QPushButton::clicked, this, &Form2::Command3_Click);
    Form_Load();
}

void Form2::Form_Load()
{
    word()->setText(m_state.SearchWord);
}

// Saves the boxes as a new entry, exactly as typed. A failed save keeps every box as it is and
// says why; only a stored entry is thanked for.
void Form2::Command1_Click()
{
    write([word = wordText(), meaning = meaningText(),
           link = linkText()](KnowledgeBase &kb) { kb.add(word, meaning, link); },
          QStringLiteral("登録できませんでした。知識ファイルに書き込めません。"),
          [this] {
              Character &character = m_state.character();
              character.Play(QStringLiteral("greet"));
              character.Speak(QStringLiteral("ありがとう。"));
          });
}

void Form2::Command3_Click()
{
    close();
}

} // namespace donguri

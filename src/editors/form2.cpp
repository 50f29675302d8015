// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form2.h"

#include "character/character.h"
#include "kb/knowledge_base.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QLineEdit>
#include <QPlainTextEdit>
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
    startWith(m_state.SearchWord);
}

void Form2::startWith(const QString &newWord)
{
    meaning()->clear();
    link()->clear();
    problem().clear();
    putText(word(), newWord);
    m_stored = texts();
}

void Form2::askAbout(const QString &word)
{
    // The save on its way may still fail, and then its texts must be where they were.
    if (isWriting()) {
        m_wordAsked = word;
        return;
    }
    m_wordAsked.reset();
    if (texts() == m_stored)
        startWith(word);
}

// Saves the boxes as a new entry as typed, the word without the blanks at its ends. A failed
// save keeps every box as it is and says why; only a stored entry is thanked for.
void Form2::Command1_Click()
{
    if (isWriting())
        return;
    m_wordAsked.reset();
    const Texts typed = texts();
    write([word = wordToStore(),
           typed](KnowledgeBase &kb) { kb.add(word, typed.meaning, typed.link); },
          QStringLiteral("登録できませんでした。"),
          [this, typed] {
              m_stored = typed;
              thank();
              if (m_wordAsked)
                  askAbout(*std::exchange(m_wordAsked, std::nullopt));
          });
}

void Form2::thank()
{
    Character &character = m_state.character();
    character.Play(QStringLiteral("greet"));
    character.Speak(QStringLiteral("ありがとう。"));
}

void Form2::Command3_Click()
{
    close();
}

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Form2: the teach window, which stores a word the character did not know.
#pragma once

#include "entry_form.h"

#include <optional>

namespace donguri {

// Form2, the teach window "教えてください。": stores a new word with its meaning and link.
class Form2 : public EntryForm
{
    Q_OBJECT
public:
    Form2(SharedState &state, FileChooser &chooser, QWidget *parent = nullptr);

    void Command1_Click(); // 登録
    void Command3_Click(); // 閉じる

    // The character asks to be taught `word` while the window is open. The boxes take it, with
    // meaning and link empty, when nothing would be lost: what they hold has been stored, or
    // nothing was typed. Typing not stored stays as it is. A word asked about while a save is
    // on its way is taken once that save is in.
    void askAbout(const QString &word);

private:
    void Form_Load();
    void startWith(const QString &newWord);
    void thank();

    Texts m_stored;                     // what the boxes held when last stored, or at the start
    std::optional<QString> m_wordAsked; // asked about during the save on its way
};

} // namespace donguri

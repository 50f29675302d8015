// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Form2: the teach window, which stores a word the character did not know.
#pragma once

#include "entry_form.h"

namespace donguri {

// Form2, the teach window "教えてください。": stores a new word with its meaning and link.
class Form2 : public EntryForm
{
    Q_OBJECT
public:
    Form2(SharedState &state, FileChooser &chooser, QWidget *parent = nullptr);

    void Command1_Click(); // 登録
    void Command3_Click(); // 閉じる

private:
    void Form_Load();
};

} // namespace donguri

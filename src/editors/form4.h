// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Form4: the correction window, which calls up an entry by its word and stores it changed.
#pragma once

#include "entry_form.h"

#include <optional>

namespace donguri {

class CharacterLoader;

// Form4, the correction window "直します。": calls up an entry by its word and stores it changed.
class Form4 : public EntryForm
{
    Q_OBJECT
public:
    Form4(SharedState &state, CharacterLoader &characters, FileChooser &chooser,
          QWidget *parent = nullptr);

    void Command1_Click(); // 登録
    void Command3_Click(); // 呼び出し
    void Command4_Click(); // 閉じる
    // The ID of the entry being corrected, if one has been called up since the last save.
    std::optional<qint32> calledUp() const { return m_calledUp; }

private:
    void Form_Load();

    CharacterLoader &m_characters;
    std::optional<qint32> m_calledUp;
};

} // namespace donguri

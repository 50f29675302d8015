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
    std::optional<qint32> calledUp() const;

private:
    // The entry being corrected. A meaning or link longer than its box takes is shown cut, and
    // read-only: a save leaves it as stored.
    struct CalledUp
    {
        qint32 id = 0;
        bool meaningCut = false;
        bool linkCut = false;
    };
    // What the meaning and link boxes hold.
    struct Shown
    {
        QString meaning;
        QString link;
        bool operator==(const Shown &) const = default;
    };
    struct Found
    {
        CalledUp entry;
        Shown shown;
    };

    void Form_Load();
    static std::optional<Found> find(KnowledgeBase &kb, const QString &word);
    static void writeBack(KnowledgeBase &kb, const CalledUp &entry, const QString &word,
                          Shown shown);
    Shown shown() const;
    void showFound(const Found &found);
    void showNotStored();
    void thank();

    CharacterLoader &m_characters;
    std::optional<CalledUp> m_calledUp;
    // The boxes as the last call-up filled them or the last save stored them: nothing typed
    // since that is not stored somewhere.
    Shown m_held;
};

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

namespace donguri {

class Character;

// The values every window of one run shares. Built once in main() and handed to each window.
class SharedState
{
public:
    SharedState();

    QString DatabasePath;
    QString SettingsFile; // where donguri.ini was found or made at start-up
    QString SearchWord;
    qint32 IdleCount = 0;
    std::shared_ptr<Character> CurrentCharacter;

    // The current character, or one that silently drops every request when none is loaded.
    Character &character();

private:
    std::shared_ptr<Character> m_silent;
};

} // namespace donguri

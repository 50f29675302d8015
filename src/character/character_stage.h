// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace donguri {

class Character;
class CharacterLoader;

struct CharacterFile
{
    QString id;
    QString file;
};

// Which character stands on the desktop, and loading it.
namespace CharacterStage {

// Choice 1, 2, 3 of table キャラクター name Genie, merlin and Peedy; other choices name nobody.
std::optional<CharacterFile> characterForChoice(int choice);

// Loads the character the knowledge base's choice names (read by the caller). Null when the
// choice names no character or loading fails; the caller then speaks to nobody.
std::shared_ptr<Character> loadChosenCharacter(int choice, CharacterLoader &loader);

// The correction window's own character: Genie, loaded without a file name.
std::shared_ptr<Character> loadCorrectionCharacter(CharacterLoader &loader);

} // namespace CharacterStage

} // namespace donguri

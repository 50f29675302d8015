// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "character_stage.h"

#include "character.h"

namespace donguri::CharacterStage {

std::optional<CharacterFile> characterForChoice(int choice)
{
    switch (choice) {
    case 1:
        return CharacterFile{QStringLiteral("Genie"), QStringLiteral("Genie.acs")};
    case 2:
        return CharacterFile{QStringLiteral("merlin"), QStringLiteral("merlin.acs")};
    case 3:
        return CharacterFile{QStringLiteral("Peedy"), QStringLiteral("Peedy.acs")};
    default:
        return std::nullopt;
    }
}

std::shared_ptr<Character> loadChosenCharacter(int choice, CharacterLoader &loader)
{
    const std::optional<CharacterFile> chosen = characterForChoice(choice);
    if (!chosen)
        return nullptr;
    return loader.Load(chosen->id, chosen->file);
}

std::shared_ptr<Character> loadCorrectionCharacter(CharacterLoader &loader)
{
    return loader.Load(QStringLiteral("Genie"), QString());
}

} // namespace donguri::CharacterStage

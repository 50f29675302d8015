#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace donguri {

class Character;
class CharacterLoader;
class KnowledgeBase;

struct CharacterFile
{
    QString id;
    QString file;
};

// Which character stands on the desktop, and loading it.
namespace CharacterStage {

// Choice 1, 2, 3 of table キャラクター name Genie, merlin and Peedy; other choices name nobody.
std::optional<CharacterFile> characterForChoice(int choice);

// Reads the choice (repairing the row when it cannot be read) and loads that character.
// Null when the choice names no character or loading fails; the caller then speaks to nobody.
std::shared_ptr<Character> loadChosenCharacter(KnowledgeBase &kb, CharacterLoader &loader);

// The correction window's own character: Genie, loaded without a file name.
std::shared_ptr<Character> loadCorrectionCharacter(CharacterLoader &loader);

} // namespace CharacterStage

} // namespace donguri

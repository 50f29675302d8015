#include "character_stage.h"

#include "character.h"
#include "kb_error.h"
#include "knowledge_base.h"

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

static int readOrRepairChoice(KnowledgeBase &kb)
{
    std::optional<qint16> choice;
    try {
        choice = kb.characterChoice();
    } catch (const KbError &) {
    }
    if (choice)
        return *choice;
    // The row could not be read: choose Genie and remember it. If even that write fails the
    // run still goes on with Genie.
    try {
        kb.repairCharacterChoice();
    } catch (const KbError &) {
    }
    return 1;
}

std::shared_ptr<Character> loadChosenCharacter(KnowledgeBase &kb, CharacterLoader &loader)
{
    const std::optional<CharacterFile> chosen = characterForChoice(readOrRepairChoice(kb));
    if (!chosen)
        return nullptr;
    return loader.Load(chosen->id, chosen->file);
}

std::shared_ptr<Character> loadCorrectionCharacter(CharacterLoader &loader)
{
    return loader.Load(QStringLiteral("Genie"), QString());
}

} // namespace donguri::CharacterStage

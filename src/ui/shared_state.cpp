// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared_state.h"

#include "character/character.h"
#include "kb/question_service.h"

namespace donguri {

SharedState::SharedState() : m_silent(std::make_shared<SilentCharacter>()) {}

QuestionService &SharedState::questions()
{
    if (!Questions)
        Questions = std::make_shared<QuestionService>();
    return *Questions;
}

Character &SharedState::character()
{
    return CurrentCharacter ? *CurrentCharacter : *m_silent;
}

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared_state.h"

#include "character/character.h"

namespace donguri {

SharedState::SharedState() : m_silent(std::make_shared<SilentCharacter>()) {}

Character &SharedState::character()
{
    return CurrentCharacter ? *CurrentCharacter : *m_silent;
}

} // namespace donguri

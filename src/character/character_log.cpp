// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "character/character_log.h"

namespace donguri {

Q_LOGGING_CATEGORY(lcCharacter, "donguri.character", QtInfoMsg)

} // namespace donguri

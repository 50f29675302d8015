// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_log.h"

namespace donguri {

Q_LOGGING_CATEGORY(lcSettings, "donguri.settings", QtInfoMsg)

} // namespace donguri

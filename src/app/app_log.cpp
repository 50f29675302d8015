// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_log.h"

namespace donguri {

Q_LOGGING_CATEGORY(lcApp, "donguri.app", QtInfoMsg)

} // namespace donguri

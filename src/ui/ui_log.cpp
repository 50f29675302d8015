// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ui_log.h"

namespace donguri {

Q_LOGGING_CATEGORY(lcUi, "donguri.ui", QtInfoMsg)

} // namespace donguri

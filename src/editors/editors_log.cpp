// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/editors_log.h"

namespace donguri {

Q_LOGGING_CATEGORY(lcEditors, "donguri.editors", QtInfoMsg)

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/main_window_log.h"

namespace donguri {

Q_LOGGING_CATEGORY(lcMainWindow, "donguri.main_window", QtInfoMsg)

} // namespace donguri

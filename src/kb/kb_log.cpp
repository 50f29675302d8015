// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/kb_log.h"

namespace donguri {

Q_LOGGING_CATEGORY(lcKb, "donguri.kb", QtInfoMsg)

} // namespace donguri

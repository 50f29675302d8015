// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_tool/kb_tool_log.h"

namespace donguri {

Q_LOGGING_CATEGORY(lcKbTool, "donguri.kb_tool", QtInfoMsg)

} // namespace donguri

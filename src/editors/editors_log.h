// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

namespace donguri {

// This library's messages: warnings are on by default and go to stderr;
// the journal keeps them for a program started from the desktop.
// QT_LOGGING_RULES="donguri.editors.debug=true" adds the debug ones.
Q_DECLARE_LOGGING_CATEGORY(lcEditors)

} // namespace donguri

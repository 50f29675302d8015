// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace donguri {

// A knowledge base is a file, or a PostgreSQL database when its location is a connection URI in
// the client library's own syntax (postgresql://… or postgres://…).
bool isServerLocation(const QString &location);

// The location as it may be shown or printed: a password in a server URI (user:secret@ or
// password=secret) is replaced by ***. Files are shown as they are.
QString displayedLocation(const QString &location);

// Replaces the password of `location`, wherever it appears in `text`, by ***: for messages that
// may quote the URI or parts of it.
QString withoutPassword(const QString &text, const QString &location);

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace donguri {

// A knowledge base is a file, or a PostgreSQL database when its location is a connection string
// in the client library's own syntax: a URI (postgresql://… or postgres://…) or keyword/value
// pairs (host=… dbname=…) as the client library reads them. This is the one place that tells
// the two apart.
bool isServerLocation(const QString &location);

// Whether the location is a server address that writes a password in it.
bool holdsPassword(const QString &location);

// The location as it may be shown or printed: a password in a server address (user:secret@,
// ?password=secret, password=secret or password='a secret') is replaced by ***. Files are shown
// as they are.
QString displayedLocation(const QString &location);

// The displayed location cut to at most 200 characters, for messages: a path read from a damaged
// settings file may be megabytes long.
QString shownLocation(const QString &location);

// `name` itself when it is at most `limit` characters, otherwise its start and end joined by an
// ellipsis, `limit` characters in all.
QString cutLongName(const QString &name, qsizetype limit = 200);

// Replaces the password of `location`, wherever it appears in `text`, by ***: for messages that
// may quote the address or parts of it.
QString withoutPassword(const QString &text, const QString &location);

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace donguri::testing {

// Bytes of a file, or an empty array when it cannot be read.
QByteArray fileBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

} // namespace donguri::testing

namespace donguri::testing {

// Runs SQL on a database file directly, for setting up files the program did not write.
void execSql(const QString &path, const char *sql);
// The first column of the first row a query gives, as a number; -1 when it gives none.
qint64 sqlNumber(const QString &path, const char *sql);

} // namespace donguri::testing

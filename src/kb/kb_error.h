// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

namespace donguri {

// Every failure of the knowledge base (file missing or not ours, disk full, locked, a row that
// is not there) reaches the caller as this exception; nothing is swallowed inside the store.
class KbError : public std::runtime_error
{
public:
    // `code` is SQLite's primary result code where SQLite reported the failure, otherwise 0.
    explicit KbError(const QString &message, int code = 0);

    QString message() const { return QString::fromUtf8(what()); }
    int code() const { return m_code; }

private:
    int m_code;
};

} // namespace donguri

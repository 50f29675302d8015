// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace donguri::testing {

// Entry number `seq` of the writer called `tag`, in the kb_writer helper: Japanese text with
// blanks after the word and a line break in the meaning, as the user's own entries have them.
// A test tells from the number alone what the entry must hold.
struct WrittenEntry
{
    QString word;
    QString meaning;
    QString link;
};

inline WrittenEntry writtenEntry(const QString &tag, qint64 seq)
{
    return {QStringLiteral("%1のどんぐり%2  ").arg(tag).arg(seq),
            QStringLiteral("%1が%2番目に覚えた木の実。\n秋に落ちる ").arg(tag).arg(seq),
            QStringLiteral("https://example.jp/%1/%2").arg(tag).arg(seq)};
}

} // namespace donguri::testing

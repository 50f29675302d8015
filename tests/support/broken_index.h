// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/test_env.h"

namespace donguri::testing {

// Points the word index at 言葉 instead of 照合語, so a row whose word has trailing blanks is
// no longer where the index says: a fault only the integrity check notices.
inline void breakWordIndex(const QString &path)
{
    execSql(path, "PRAGMA writable_schema = ON;"
                  " UPDATE sqlite_schema SET sql = 'CREATE INDEX 言葉_照合語 ON 言葉 (言葉)'"
                  " WHERE name = '言葉_照合語';");
}

} // namespace donguri::testing

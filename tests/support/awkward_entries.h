// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/knowledge_base.h"

#include <QList>

namespace donguri::testing {

// Entries whose text trips up exports, imports and copies: quotes, tabs, lone CR and LF, leading
// and trailing blanks, a long meaning, empty fields, characters outside the BMP, and LIKE's own
// wildcards.
inline QList<NewEntry> awkwardEntries()
{
    using namespace Qt::StringLiterals;
    return {
        {u"どんぐり   "_s, u"木の実。\r\n二行目\t\"引用\""_s, u""_s},
        {u"it's"_s, u"'apostrophes', \"quotes\""_s, u"http://example.org/?a=1,2"_s},
        {u"*"_s, u"\""_s, u"a b.html"_s},
        {u" 前に空白,カンマ"_s, u"lone\rCR and LF\n"_s, u""_s},
        {u"長い"_s, u"あいうえ\t\"お\"\r\n"_s.repeated(1000), u""_s},
        {u""_s, u""_s, u"🌰"_s},
        {u"50%_\\"_s, u"記号"_s, u"x"_s},
    };
}

} // namespace donguri::testing

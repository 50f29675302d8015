// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/selection_question.h"

#include <QRegularExpression>

namespace donguri {

SelectedQuestion questionFromSelection(const QString &selected)
{
    // CR LF, a lone LF and a lone CR all end a line, whatever program the text came from.
    static const QRegularExpression lineEnd(QStringLiteral("\\r\\n|\\n|\\r|\\x{2028}|\\x{2029}"));
    const QStringList lines = selected.split(lineEnd);
    for (const QString &line : lines) {
        const QString question = line.trimmed();
        if (question.isEmpty())
            continue;
        if (question.size() > LongestSelectedQuestion)
            return {SelectedQuestion::Verdict::TooLong, {}};
        return {SelectedQuestion::Verdict::Ask, question};
    }
    return {};
}

} // namespace donguri

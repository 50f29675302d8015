// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace donguri {

// What a text selected in another program asks, once it is cleaned up.
struct SelectedQuestion
{
    enum class Verdict {
        Ask,     // `question` is asked
        Empty,   // nothing but blanks and line ends: nothing is asked
        TooLong, // more than a word or a phrase, most likely a slip of the mouse: nothing is asked
    };
    Verdict verdict = Verdict::Empty;
    QString question;
};

// A question that long is no longer a word someone wants explained but a paragraph selected by
// accident; asking it would only open the teach window with the paragraph as its word.
inline constexpr qsizetype LongestSelectedQuestion = 100;

// The first line of `selected` that is not blank, without the blanks around it (tabs, full-width
// spaces and the like included). Blanks inside the line stay.
SelectedQuestion questionFromSelection(const QString &selected);

} // namespace donguri

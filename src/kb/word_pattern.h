// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <string_view>

namespace donguri {

// Words compare equal when they are the same after trailing blanks (U+0020) are dropped, so a
// word stored padded with blanks is still found by the word typed without them.
QString withoutTrailingBlanks(const QString &text);

// A question is a pattern when it holds the ASCII asterisk; the full-width one does not count.
bool isPatternQuestion(const QString &question);

// A word as a person meant it: without the blanks an input method leaves around it (ASCII and
// full-width spaces, tabs, line breaks). Everything between stays as typed.
QString withoutSurroundingSpace(const QString &typed);

// The word in its plain form (Unicode NFKC: full-width letters and digits as ASCII, half-width
// katakana as ordinary katakana), when that differs from it: a second try for a word that is
// not found as typed.
std::optional<QString> plainForm(const QString &word);

// The question with its full-width asterisks (U+FF0A, as an input method in Japanese mode types
// them) as the wildcard, when it has any: a second try for a question not found as a word.
std::optional<QString> fullWidthPattern(const QString &question);

// A pattern in which `*` stands for any run of characters (the empty run included) and every
// other character stands for itself. Matching works on the words without their trailing blanks.
class WordPattern
{
public:
    explicit WordPattern(const QString &pattern);

    const QByteArray &utf8() const { return m_pattern; }
    // The literal text before the first `*`: every match begins with it.
    QByteArray literalPrefix() const;
    // The smallest byte string greater than every string that begins with the prefix.
    QByteArray prefixUpperBound() const;
    bool matchesEverything() const;
    // Literal text followed only by stars ("あい*"): the prefix range alone decides a match.
    bool isPrefixOnly() const;
    bool matches(std::string_view word) const;

    static bool matches(std::string_view pattern, std::string_view word);

private:
    QByteArray m_pattern;
};

} // namespace donguri

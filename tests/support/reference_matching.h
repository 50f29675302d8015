// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string_view>

// A deliberately plain account of how words and patterns compare, to check the knowledge base
// against. It shares no code with src/kb: the matcher walks pattern and word element by element
// and, on a mismatch, lets the last star swallow one more element, so it knows nothing of
// literal pieces, prefixes or UTF-8. Used by the model test and by the fuzz targets.
namespace donguri::reference {

inline bool isStar(QChar c)
{
    return c == u'*';
}

inline bool isStar(char c)
{
    return c == '*';
}

// `*` stands for any run of elements (the empty run too); every other element only for itself.
// Text is a QString (compared by UTF-16 code unit) or a std::string_view (compared by byte).
// For text of whole characters, code units give the same answers as characters and as the
// program's UTF-8 bytes: no part of one character's encoding equals another character's start.
// A lone surrogate is not whole text (QString::toUtf8 writes it as '?'), so checks avoid it.
template <typename Text>
bool wildcardMatches(const Text &pattern, const Text &word)
{
    const qsizetype patternSize = qsizetype(pattern.size());
    const qsizetype wordSize = qsizetype(word.size());
    qsizetype p = 0;
    qsizetype w = 0;
    qsizetype lastStar = -1; // where the last star seen stands in the pattern
    qsizetype swallowed = 0; // how far into the word that star reaches so far
    while (w < wordSize) {
        if (p < patternSize && isStar(pattern[p])) {
            lastStar = p++;
            swallowed = w;
        } else if (p < patternSize && pattern[p] == word[w]) {
            ++p;
            ++w;
        } else if (lastStar >= 0) {
            p = lastStar + 1;
            w = ++swallowed;
        } else {
            return false;
        }
    }
    while (p < patternSize && isStar(pattern[p]))
        ++p;
    return p == patternSize;
}

// Blanks (U+0020) at the end of a word or pattern never count.
inline QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

// Whether a stored word answers a pattern question, trailing blanks of both aside.
inline bool patternMatchesWord(const QString &pattern, const QString &word)
{
    return wildcardMatches(withoutTrailingBlanks(pattern), withoutTrailingBlanks(word));
}

} // namespace donguri::reference

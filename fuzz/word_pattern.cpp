// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Patterns and words from arbitrary bytes, checked against the plain reference matcher the
// model test uses. Input: the pattern, a 0xFF byte (never part of UTF-8), the word.
//
// The knowledge base answers a pattern in three ways (the prefix range alone, the range and the
// match function, the match function alone), so each piece that decides a match is checked:
// the byte matcher SQLite calls, with any bytes a hand-edited file might hold; matching of
// text as typed and stored, trailing blanks aside; and the prefix range.

#include "kb/word_pattern.h"

#include "fuzz_check.h"
#include "support/reference_matching.h"

#include <cstdint>
#include <string_view>

using namespace donguri;
using donguri::fuzz::expect;

namespace {

std::string_view viewOf(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

void checkBytes(const QByteArray &pattern, const QByteArray &word)
{
    expect(WordPattern::matches(viewOf(pattern), viewOf(word))
               == reference::wildcardMatches(viewOf(pattern), viewOf(word)),
           "byte matcher disagrees with the reference");
}

void checkText(const QString &patternText, const QString &wordText)
{
    expect(withoutTrailingBlanks(wordText) == reference::withoutTrailingBlanks(wordText),
           "trailing blanks dropped wrongly");
    const WordPattern pattern(patternText);
    // What the knowledge base keeps as the word to compare with.
    const QByteArray stored = withoutTrailingBlanks(wordText).toUtf8();
    const bool matches = pattern.matches(viewOf(stored));
    expect(matches == reference::patternMatchesWord(patternText, wordText),
           "pattern matching disagrees with the reference");

    if (pattern.matchesEverything()) {
        expect(matches, "a pattern of stars only failed to match");
        return;
    }
    const QByteArray prefix = pattern.literalPrefix();
    if (prefix.isEmpty())
        return;
    const bool inRange = stored >= prefix && stored < pattern.prefixUpperBound();
    expect(inRange == stored.startsWith(prefix), "prefix range disagrees with the prefix");
    expect(!matches || inRange, "a match lies outside the prefix range");
    if (pattern.isPrefixOnly())
        expect(matches == inRange, "prefix range alone decides wrongly");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\xff');
    const QByteArray pattern = split < 0 ? input : input.first(split);
    const QByteArray word = split < 0 ? QByteArray() : input.sliced(split + 1);
    checkBytes(pattern, word);
    checkText(QString::fromUtf8(pattern), QString::fromUtf8(word));
    return 0;
}

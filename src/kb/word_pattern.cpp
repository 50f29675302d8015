// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "word_pattern.h"

#include <algorithm>

namespace donguri {

QString withoutTrailingBlanks(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    return text.left(end);
}

bool isPatternQuestion(const QString &question)
{
    return question.contains(u'*');
}

namespace {

bool isTypedSpace(QChar c)
{
    return c == u' ' || c == u'\u3000' || c == u'\t' || c == u'\n' || c == u'\r';
}

} // namespace

QString withoutSurroundingSpace(const QString &typed)
{
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && isTypedSpace(typed.at(begin)))
        ++begin;
    while (end > begin && isTypedSpace(typed.at(end - 1)))
        --end;
    return typed.mid(begin, end - begin);
}

std::optional<QString> plainForm(const QString &word)
{
    const QString plain = word.normalized(QString::NormalizationForm_KC);
    if (plain == word)
        return std::nullopt;
    return plain;
}

std::optional<QString> fullWidthPattern(const QString &question)
{
    constexpr QChar FullWidthAsterisk = u'\uFF0A';
    if (!question.contains(FullWidthAsterisk))
        return std::nullopt;
    QString pattern = question;
    return pattern.replace(FullWidthAsterisk, u'*');
}

WordPattern::WordPattern(const QString &pattern)
    : m_pattern(withoutTrailingBlanks(pattern).toUtf8())
{
}

QByteArray WordPattern::literalPrefix() const
{
    const qsizetype star = m_pattern.indexOf('*');
    return star < 0 ? m_pattern : m_pattern.left(star);
}

QByteArray WordPattern::prefixUpperBound() const
{
    // The last byte of a UTF-8 string is ASCII (< 0x80) or a continuation byte (< 0xC0), so
    // raising it by one never carries; byte order is SQLite's BINARY order.
    QByteArray bound = literalPrefix();
    if (!bound.isEmpty())
        bound[bound.size() - 1] = char(static_cast<unsigned char>(bound.back()) + 1);
    return bound;
}

bool WordPattern::matchesEverything() const
{
    return !m_pattern.isEmpty()
           && std::all_of(m_pattern.cbegin(), m_pattern.cend(), [](char c) { return c == '*'; });
}

bool WordPattern::isPrefixOnly() const
{
    const qsizetype star = m_pattern.indexOf('*');
    return star > 0 && std::all_of(m_pattern.cbegin() + star, m_pattern.cend(), [](char c) {
               return c == '*';
           });
}

bool WordPattern::matches(std::string_view word) const
{
    return matches(std::string_view(m_pattern.constData(), size_t(m_pattern.size())), word);
}

// Only `*` is special, so the pattern is literal pieces separated by stars: the first piece must
// start the word, the last must end it, and the pieces between must appear in order. Leftmost
// placement of each middle piece is always safe. Working on UTF-8 bytes gives the same answer
// as working on characters, because a character's first byte never equals a continuation byte.
bool WordPattern::matches(std::string_view pattern, std::string_view word)
{
    const size_t firstStar = pattern.find('*');
    if (firstStar == std::string_view::npos)
        return pattern == word;

    const std::string_view head = pattern.substr(0, firstStar);
    if (!word.starts_with(head))
        return false;
    word.remove_prefix(head.size());
    pattern.remove_prefix(firstStar + 1);

    const size_t lastStar = pattern.rfind('*');
    const std::string_view tail =
        lastStar == std::string_view::npos ? pattern : pattern.substr(lastStar + 1);
    if (!word.ends_with(tail))
        return false;
    word.remove_suffix(tail.size());

    std::string_view middle =
        lastStar == std::string_view::npos ? std::string_view() : pattern.substr(0, lastStar);
    while (!middle.empty()) {
        const size_t star = middle.find('*');
        const std::string_view piece = middle.substr(0, star);
        if (!piece.empty()) {
            const size_t at = word.find(piece);
            if (at == std::string_view::npos)
                return false;
            word.remove_prefix(at + piece.size());
        }
        if (star == std::string_view::npos)
            break;
        middle.remove_prefix(star + 1);
    }
    return true;
}

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_model.h"

#include "support/reference_matching.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace donguri::testing {

namespace {

constexpr qsizetype LongTextSize = 10000;

// Single characters (some of them two UTF-16 code units, or a base and a combining mark apart)
// that the words are built from: other matchers' wildcards and escapes, SQL quotes, blanks of
// both widths, full-width forms, か with a combining voiced mark, characters outside the BMP,
// NUL and other control characters. The first few are common so that words repeat and overlap.
const QStringList Alphabet = {
    u"a"_s,  u"b"_s,  u"ど"_s,   u" "_s,      u"*"_s,          u"a"_s,      u"b"_s,
    u" "_s,  u"'"_s,  u"\""_s,   u"?"_s,      u"["_s,          u"]"_s,      u"%"_s,
    u"_"_s,  u"\\"_s, u"Ａ"_s,   u"＊"_s,     u"\u3000"_s,     u"か"_s,     u"\u3099"_s,
    u"が"_s, u"ん"_s, u"😀"_s,    u"🌰"_s,      u"\U0010FFFF"_s, u"\uFFFD"_s, QString(QChar(u'\0')),
    u"\t"_s, u"\n"_s, u"\x7f"_s, u"\uFFFF"_s,
};

// Cut positions never split a surrogate pair: a question typed into the program is whole
// characters, so patterns are too.
qsizetype toCharacterBoundary(const QString &text, qsizetype at)
{
    if (at > 0 && at < text.size() && text.at(at).isLowSurrogate())
        --at;
    return at;
}

} // namespace

void Model::add(qint32 id, const QString &word, const QString &meaning, const QString &link)
{
    m_entries.append({id, word, meaning, link});
}

bool Model::update(qint32 id, const QString &word, const QString &meaning, const QString &link)
{
    for (ModelEntry &entry : m_entries) {
        if (entry.id == id) {
            entry = {id, word, meaning, link};
            return true;
        }
    }
    return false;
}

std::optional<qint32> Model::findWord(const QString &word) const
{
    const QString wanted = reference::withoutTrailingBlanks(word);
    for (const ModelEntry &entry : m_entries) {
        if (reference::withoutTrailingBlanks(entry.word) == wanted)
            return entry.id;
    }
    return std::nullopt;
}

QList<WordRow> Model::listMatches(const QString &pattern) const
{
    QList<WordRow> rows;
    for (const ModelEntry &entry : m_entries) {
        if (reference::patternMatchesWord(pattern, entry.word))
            rows.append({entry.id, entry.word});
    }
    return rows;
}

const ModelEntry *Model::entry(qint32 id) const
{
    for (const ModelEntry &entry : m_entries) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

QString Generator::randomCharacters(qsizetype count)
{
    QString text;
    for (qsizetype i = 0; i < count; ++i)
        text += Alphabet.at(below(int(Alphabet.size())));
    return text;
}

QString Generator::longText()
{
    QString text = randomCharacters(LongTextSize);
    text.truncate(toCharacterBoundary(text, LongTextSize));
    return text;
}

QString Generator::freshWord()
{
    const int kind = below(1000);
    if (kind < 8)
        return longText();
    if (kind < 40)
        return QString();
    if (kind < 70)
        return blanks(4);
    QString word = randomCharacters(below(9));
    if (chance(15))
        word.prepend(blanks(2));
    if (chance(25))
        word += blanks(3);
    return word;
}

QString Generator::word(const Model &model)
{
    if (model.entries().isEmpty() || !chance(25))
        return freshWord();
    QString word = reference::withoutTrailingBlanks(storedWord(model));
    if (chance(50))
        word += blanks(3);
    return word;
}

QString Generator::meaning()
{
    if (chance(1))
        return longText();
    return chance(10) ? QString() : randomCharacters(below(12));
}

QString Generator::link()
{
    return chance(70) ? QString() : randomCharacters(below(10));
}

const QString &Generator::storedWord(const Model &model)
{
    return model.entries().at(below(int(model.entries().size()))).word;
}

qint32 Generator::existingId(const Model &model)
{
    return model.entries().at(below(int(model.entries().size()))).id;
}

qint32 Generator::missingId(const Model &model)
{
    switch (below(3)) {
    case 0:
        return -below(3);
    case 1:
        return model.lastId() + 1 + below(5);
    default:
        return std::numeric_limits<qint32>::max() - below(3);
    }
}

QString Generator::lookup(const Model &model)
{
    if (model.entries().isEmpty() || chance(30))
        return freshWord();
    QString word = reference::withoutTrailingBlanks(storedWord(model));
    switch (below(4)) {
    case 0:
        return word;
    case 1:
        return word + blanks(3);
    case 2:
        return u" "_s + word; // a leading blank counts
    default:
        return word.left(toCharacterBoundary(word, below(int(word.size()) + 1)));
    }
}

QString Generator::pattern(const Model &model)
{
    QString pattern =
        model.entries().isEmpty() || chance(15) ? freePattern() : patternFrom(storedWord(model));
    if (chance(20))
        pattern += blanks(3);
    return pattern;
}

QString Generator::freePattern()
{
    switch (below(4)) {
    case 0:
        return QString(1 + below(3), u'*');
    case 1:
        return chance(50) ? QString() : blanks(3);
    default:
        return randomCharacters(below(6));
    }
}

QString Generator::patternFrom(const QString &stored)
{
    const QString word = chance(80) ? reference::withoutTrailingBlanks(stored) : stored;
    qsizetype from = toCharacterBoundary(word, below(int(word.size()) + 1));
    qsizetype to = toCharacterBoundary(word, below(int(word.size()) + 1));
    if (from > to)
        std::swap(from, to);
    const QString stars = QString(1 + (chance(20) ? below(3) : 0), u'*');
    switch (below(6)) {
    case 0:
        return word;
    case 1:
        return word.left(from) + stars;
    case 2:
        return stars + word.mid(to);
    case 3:
        return stars + word.mid(from, to - from) + stars;
    case 4:
        return word.left(from) + stars + word.mid(to);
    default:
        return sprinkledWithStars(word);
    }
}

QString Generator::sprinkledWithStars(const QString &word)
{
    QString pattern;
    for (const QString &character : splitCharacters(word)) {
        if (chance(12))
            pattern += QString(1 + below(2), u'*');
        pattern += chance(8) ? u"*"_s : character;
    }
    if (chance(30))
        pattern += u"*"_s;
    return pattern;
}

QStringList Generator::splitCharacters(const QString &word)
{
    QStringList characters;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const qsizetype length = word.at(i).isHighSurrogate() && i + 1 < word.size() ? 2 : 1;
        characters << word.mid(i, length);
        i += length - 1;
    }
    return characters;
}

} // namespace donguri::testing

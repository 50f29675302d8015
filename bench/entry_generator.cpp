// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_generator.h"

namespace donguri::bench {

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView Hiragana =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    u"がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽゃゅょっ";
constexpr QStringView Katakana =
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン"
    u"ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポャュョッー";
constexpr QStringView Kanji =
    u"日本語言葉意味木実森林山川海空雨雪風花草石火水金土月年時間人子女男父母友先生学校会社仕事"
    u"電話車道駅町村国家族手足目耳口心体力気天地東西南北上下左右中外内前後大小長高安新古白黒赤青"
    u"名字文書読話聞見行来出入食飲買売作使考思知分明暗朝昼夜春夏秋冬今昔何自由理科算数音楽歌絵図"
    u"色形計画問題答質物品具材料店場所部屋窓門台机紙筆";
constexpr QStringView Letters = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr QStringView Digits = u"0123456789";

// Running text is mostly hiragana with kanji and some katakana, like a written explanation.
QString meaningAlphabet()
{
    QString alphabet;
    alphabet += Hiragana.toString().repeated(3);
    alphabet += Kanji.toString().repeated(2);
    alphabet += Katakana;
    alphabet += u"、、、、"_s;
    return alphabet;
}

constexpr int ShortestWord = 2;
constexpr int LongestWord = 12;
constexpr int PaddedWidth = 50;
constexpr int ShortestMeaning = 20;
constexpr int LongestMeaning = 200;

} // namespace

EntryGenerator::EntryGenerator(quint32 seed) : m_random(seed) {}

GeneratedEntry EntryGenerator::next()
{
    ++m_produced;
    GeneratedEntry entry;
    entry.word = word();
    entry.meaning = meaning();
    if (chance(100))
        entry.link = u"https://example.jp/kotoba/%1.html"_s.arg(m_produced);
    return entry;
}

QString EntryGenerator::word()
{
    QString text = plainWord(between(ShortestWord, LongestWord));
    // Features the pattern questions look for; each also occurs by chance in plain words.
    if (chance(5))
        text.replace(between(0, int(text.size()) - 2), 2, u"ぐり"_s);
    if (chance(10))
        text.replace(0, 2, u"あい"_s);
    if (chance(20))
        text.back() = u'ん';
    if (chance(10))
        text = text.leftJustified(PaddedWidth, u' ');
    return text;
}

QString EntryGenerator::plainWord(int length)
{
    const int script = between(0, 99);
    if (script >= 85)
        return asciiWord(length);
    const QStringView characters = script < 35 ? Hiragana : script < 60 ? Katakana : Kanji;
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text += pick(characters);
    return text;
}

QString EntryGenerator::asciiWord(int length)
{
    const int style = between(0, 99);
    QString text;
    text.reserve(length);
    if (style >= 60 && style < 80)
        text = u"10"_s; // number-like words such as 1024 or 10000
    while (text.size() < length) {
        const bool digit = style >= 60 || (style >= 40 && chance(300));
        text += pick(digit ? Digits : Letters);
    }
    return text;
}

QString EntryGenerator::meaning()
{
    static const QString alphabet = meaningAlphabet();
    const int length = between(ShortestMeaning, LongestMeaning);
    QString text;
    text.reserve(length);
    for (int i = 0; i < length - 1; ++i)
        text += pick(alphabet);
    text += u'。';
    return text;
}

bool EntryGenerator::chance(int percentTimesTen)
{
    return int(m_random.bounded(1000)) < percentTimesTen;
}

int EntryGenerator::between(int lowest, int highest)
{
    return m_random.bounded(lowest, highest + 1);
}

QChar EntryGenerator::pick(QStringView characters)
{
    return characters[m_random.bounded(int(characters.size()))];
}

} // namespace donguri::bench

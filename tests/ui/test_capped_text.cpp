// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/capped_text.h"

#include <QTest>

using namespace donguri;
using namespace Qt::StringLiterals;

class TestCappedText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fitText_data();
    void fitText();
};

// Small bounds: at most 12 characters, 3 paragraphs, 5 characters to a paragraph.
void TestCappedText::fitText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextRoom>("room");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<Overflow>("overflow");
    const TextRoom empty;
    QTest::newRow("fits") << u"あいう\nえお"_s << empty << qsizetype(6) << Overflow::None;
    QTest::newRow("nothing") << QString() << empty << qsizetype(0) << Overflow::None;
    QTest::newRow("a paragraph too long")
        << u"あいうえおか"_s << empty << qsizetype(5) << Overflow::LineChars;
    QTest::newRow("too many paragraphs")
        << u"a\nb\nc\nd"_s << empty << qsizetype(5) << Overflow::Lines;
    QTest::newRow("a carriage return and line feed make one break")
        << u"a\r\nb\r\nc"_s << empty << qsizetype(7) << Overflow::None;
    QTest::newRow("a carriage return alone breaks")
        << u"a\rb\rc\rd"_s << empty << qsizetype(5) << Overflow::Lines;
    QTest::newRow("a paragraph separator breaks")
        << u"a\u2029b\u2029c\u2029d"_s << empty << qsizetype(5) << Overflow::Lines;
    QTest::newRow("too many characters")
        << u"ab\ncd\nefghij"_s << TextRoom{5, 1, 0, 0} << qsizetype(7) << Overflow::Chars;
    QTest::newRow("never half a character")
        << u"abcd😀"_s << empty << qsizetype(4) << Overflow::LineChars;
    QTest::newRow("into a paragraph with text before the place")
        << u"abc"_s << TextRoom{3, 1, 3, 0} << qsizetype(2) << Overflow::LineChars;
    QTest::newRow("and after it") << u"abc"_s << TextRoom{4, 1, 1, 3} << qsizetype(1)
                                  << Overflow::LineChars;
    QTest::newRow("a new paragraph before the rest of the old one")
        << u"ab\nc"_s << TextRoom{4, 1, 0, 4} << qsizetype(4) << Overflow::None;
    QTest::newRow("the last paragraph goes on with the rest")
        << u"ab\ncde"_s << TextRoom{5, 1, 0, 3} << qsizetype(5) << Overflow::LineChars;
    QTest::newRow("cut elsewhere, the rest joins where it was cut")
        << u"abcdefg"_s << TextRoom{0, 1, 0, 2} << qsizetype(3) << Overflow::LineChars;
    QTest::newRow("a box already full")
        << u"a"_s << TextRoom{12, 1, 0, 0} << qsizetype(0) << Overflow::Chars;
}

void TestCappedText::fitText()
{
    QFETCH(QString, text);
    QFETCH(TextRoom, room);
    QFETCH(qsizetype, length);
    QFETCH(Overflow, overflow);
    const TextFit fit = donguri::fitText(text, TextBounds{12, 3, 5}, room);
    QCOMPARE(fit.length, length);
    QCOMPARE(fit.overflow, overflow);
}

QTEST_GUILESS_MAIN(TestCappedText)
#include "test_capped_text.moc"

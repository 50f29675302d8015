// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/word_pattern.h"

#include <QTest>

using namespace donguri;
using namespace Qt::StringLiterals;

class TestWordPattern : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("expected");
        QTest::newRow("lone star, empty word") << u"*"_s << QString() << true;
        QTest::newRow("prefix, exact length") << u"どん*"_s << u"どん"_s << true;
        QTest::newRow("prefix, longer") << u"どん*"_s << u"どんぐり"_s << true;
        QTest::newRow("prefix, no") << u"どん*"_s << u"ぐりどん"_s << false;
        QTest::newRow("suffix") << u"*ぐり"_s << u"どんぐり"_s << true;
        QTest::newRow("infix") << u"*んぐ*"_s << u"どんぐり"_s << true;
        QTest::newRow("infix needs order") << u"*り*ど*"_s << u"どんぐり"_s << false;
        QTest::newRow("head and tail overlap") << u"ab*ba"_s << u"aba"_s << false;
        QTest::newRow("head and tail meet") << u"ab*ba"_s << u"abba"_s << true;
        QTest::newRow("question mark is literal") << u"a?*"_s << u"ab"_s << false;
        QTest::newRow("question mark matches itself") << u"a?*"_s << u"a?c"_s << true;
        QTest::newRow("brackets are literal") << u"[a]*"_s << u"a"_s << false;
        QTest::newRow("percent is literal") << u"%*"_s << u"x"_s << false;
        QTest::newRow("underscore is literal") << u"_*"_s << u"_x"_s << true;
        QTest::newRow("apostrophe") << u"it's*"_s << u"it's me"_s << true;
        QTest::newRow("no star: whole word") << u"abc"_s << u"abc"_s << true;
        QTest::newRow("case counts") << u"A*"_s << u"abc"_s << false;
        QTest::newRow("full-width star is literal") << u"ど＊"_s << u"どん"_s << false;
        QTest::newRow("double star") << u"**"_s << u"x"_s << true;
        QTest::newRow("repeated piece") << u"*aa*aa"_s << u"aaaa"_s << true;
    }
    void matches()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, word);
        QFETCH(bool, expected);
        QCOMPARE(WordPattern(pattern).matches(word.toUtf8().toStdString()), expected);
    }

    void trailingBlanksAreNotCompared()
    {
        QCOMPARE(withoutTrailingBlanks(u"  どん  "_s), u"  どん"_s);
        QCOMPARE(withoutTrailingBlanks(u"   "_s), QString());
        QCOMPARE(withoutTrailingBlanks(u"a\t"_s), u"a\t"_s);
        QCOMPARE(WordPattern(u"*ん  "_s).utf8(), QByteArray("*\xe3\x82\x93"));
    }

    void prefixBoundsCoverEveryWordWithThePrefix()
    {
        const WordPattern pattern(u"あい*"_s);
        QCOMPARE(pattern.literalPrefix(), u"あい"_s.toUtf8());
        const QByteArray upper = pattern.prefixUpperBound();
        for (const QString &word : {u"あい"_s, u"あいう"_s, u"あい\U0010FFFF"_s})
            QVERIFY(word.toUtf8() < upper);
        QVERIFY(u"あう"_s.toUtf8() >= upper);
        QCOMPARE(WordPattern(u"*x"_s).literalPrefix(), QByteArray());
    }

    void aQuestionIsAPatternOnlyWithTheAsciiStar()
    {
        QVERIFY(isPatternQuestion(u"ど*"_s));
        QVERIFY(!isPatternQuestion(u"ど＊"_s));
        QVERIFY(WordPattern(u"***"_s).matchesEverything());
        QVERIFY(WordPattern(u"あい**"_s).isPrefixOnly());
        QVERIFY(!WordPattern(u"あい*う"_s).isPrefixOnly());
        QVERIFY(!WordPattern(u"*"_s).isPrefixOnly());
        QVERIFY(!WordPattern(u"*a*"_s).matchesEverything());
    }
};

QTEST_GUILESS_MAIN(TestWordPattern)
#include "test_word_pattern.moc"

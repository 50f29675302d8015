// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a selection from another program asks, and the ask key as donguri.conf writes it.
#include "app/ask_key.h"
#include "app/selection_question.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace Qt::StringLiterals;

using Verdict = SelectedQuestion::Verdict;
Q_DECLARE_METATYPE(Verdict)

class TestAskText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theSelectionAsksItsFirstLineWithoutTheBlanksAround_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("question");
        QTest::newRow("a word") << u"どんぐり"_s << Verdict::Ask << u"どんぐり"_s;
        QTest::newRow("blanks, tabs and line ends around")
            << u" \t どんぐり \r\n"_s << Verdict::Ask << u"どんぐり"_s;
        QTest::newRow("full-width blanks around")
            << u"\u3000くり\u3000"_s << Verdict::Ask << u"くり"_s;
        QTest::newRow("blanks inside stay") << u"  木の 実\t"_s << Verdict::Ask << u"木の 実"_s;
        QTest::newRow("several lines: the first that is not empty")
            << u"\n \r\n\t\n  木の実 \nどんぐり\n"_s << Verdict::Ask << u"木の実"_s;
        QTest::newRow("a lone CR ends a line") << u"かき\rくり"_s << Verdict::Ask << u"かき"_s;
        QTest::newRow("a pattern is asked as a pattern") << u" ど* "_s << Verdict::Ask << u"ど*"_s;
        QTest::newRow("empty") << QString() << Verdict::Empty << QString();
        QTest::newRow("only blanks and line ends")
            << u" \t\r\n\u3000\n"_s << Verdict::Empty << QString();
        QTest::newRow("just long enough")
            << (u"  "_s + QString(LongestSelectedQuestion, u'あ') + u"\n"_s) << Verdict::Ask
            << QString(LongestSelectedQuestion, u'あ');
        QTest::newRow("too long") << QString(LongestSelectedQuestion + 1, u'あ') << Verdict::TooLong
                                  << QString();
        QTest::newRow("a long first line is not cut down to a short one")
            << (QString(LongestSelectedQuestion + 1, u'x') + u"\nくり"_s) << Verdict::TooLong
            << QString();
    }
    void theSelectionAsksItsFirstLineWithoutTheBlanksAround()
    {
        QFETCH(QString, selected);
        QFETCH(Verdict, verdict);
        QFETCH(QString, question);
        const SelectedQuestion result = questionFromSelection(selected);
        QCOMPARE(result.verdict, verdict);
        QCOMPARE(result.question, question);
    }

    void theAskKeyIsReadAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<quint32>("keysym");
        QTest::newRow("the standard key") << u"Super+F1"_s << true << u"LOGO+F1"_s << 0xffbeU;
        QTest::newRow("any case, blanks, Meta for Super")
            << u" meta + f12 "_s << true << u"LOGO+F12"_s << 0xffc9U;
        QTest::newRow("several modifiers and a letter")
            << u"Ctrl+Alt+D"_s << true << u"CTRL+ALT+d"_s << quint32('d');
        QTest::newRow("a digit") << u"Shift+Super+1"_s << true << u"SHIFT+LOGO+1"_s << quint32('1');
        QTest::newRow("a named key") << u"Ctrl+Pause"_s << true << u"CTRL+Pause"_s << 0xff13U;
        QTest::newRow("no modifier") << u"F13"_s << true << u"F13"_s << 0xffcaU;
        QTest::newRow("unknown modifier") << u"Hyper+F1"_s << false << QString() << 0U;
        QTest::newRow("no such function key") << u"Super+F25"_s << false << QString() << 0U;
        QTest::newRow("two keys") << u"F1+F2"_s << false << QString() << 0U;
        QTest::newRow("a modifier alone") << u"Super+"_s << false << QString() << 0U;
        QTest::newRow("not Latin") << u"Super+あ"_s << false << QString() << 0U;
    }
    void theAskKeyIsReadAsWritten()
    {
        QFETCH(QString, text);
        QFETCH(bool, usable);
        QFETCH(QString, trigger);
        QFETCH(quint32, keysym);
        const std::optional<AskKey> key = AskKey::parse(text);
        QCOMPARE(key.has_value(), usable);
        if (key) {
            QCOMPARE(key->portalTrigger(), trigger);
            QCOMPARE(key->keysym, keysym);
        }
    }

    void theAskKeyIsTurnedOffByNone()
    {
        QCOMPARE(AskKey::fromText(u"none"_s), std::nullopt);
        QCOMPARE(AskKey::fromText(u" None "_s), std::nullopt);
        QCOMPARE(AskKey::fromText(QString()), std::nullopt);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"names no usable key"_s));
        QCOMPARE(AskKey::fromText(u"Super+Nothing"_s), std::nullopt);
        QCOMPARE(AskKey::fromText(u"Super+F1"_s), AskKey::standard());
    }

    void donguriConfChoosesTheKey()
    {
        const QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, u"donguri"_s,
                           u"donguri"_s);
        settings.remove(u"desktop/askKey"_s);
        settings.sync();
        QCOMPARE(AskKey::fromPreferences(), AskKey::standard());
        settings.setValue(u"desktop/askKey"_s, u"Ctrl+Alt+D"_s);
        settings.sync();
        QCOMPARE(AskKey::fromPreferences()->portalTrigger(), u"CTRL+ALT+d"_s);
        settings.setValue(u"desktop/askKey"_s, u"none"_s);
        settings.sync();
        QCOMPARE(AskKey::fromPreferences(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestAskText)
#include "test_ask_text.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/knowledge_base.h"
#include "main_window/chatter.h"
#include "main_window/random_source.h"
#include "support/test_run.h"

#include <QLineEdit>
#include <QMap>
#include <QTest>

#include <cmath>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// Date, time, idle remarks and the hourly announcement, through the main window.
class TestChatter : public RunTest
{
    Q_OBJECT
private Q_SLOTS:
    void theDateNamesEveryWeekday_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("Sun") << QDate(2026, 12, 6) << u"今日は12月6日 日曜日です。"_s;
        QTest::newRow("Mon") << QDate(2026, 12, 7) << u"今日は12月7日 月曜日です。"_s;
        QTest::newRow("Tue") << QDate(2026, 12, 8) << u"今日は12月8日 火曜日です。"_s;
        QTest::newRow("Wed") << QDate(2026, 12, 9) << u"今日は12月9日 水曜日です。"_s;
        QTest::newRow("Thu") << QDate(2026, 12, 10) << u"今日は12月10日 木曜日です。"_s;
        QTest::newRow("Fri") << QDate(2026, 12, 11) << u"今日は12月11日 金曜日です。"_s;
        QTest::newRow("Sat 1 Jan") << QDate(2028, 1, 1) << u"今日は1月1日 土曜日です。"_s;
    }
    void theDateNamesEveryWeekday()
    {
        QFETCH(QDate, date);
        QFETCH(QString, sentence);
        m_run->clock.time = QDateTime(date, QTime(23, 59, 59));
        m_run->form().Command2_Click();
        QCOMPARE(log().requests(), QStringList{u"Speak "_s + sentence});
    }

    void theTimeLeavesOutSecondsAndLeadingZeros_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("09:05:41") << QTime(9, 5, 41) << u"時間は 9時5分ですね。"_s;
        QTest::newRow("00:00:30") << QTime(0, 0, 30) << u"時間は 0時0分ですね。"_s;
        QTest::newRow("00:07:00") << QTime(0, 7, 0) << u"時間は 0時7分ですね。"_s;
        QTest::newRow("23:59:59") << QTime(23, 59, 59) << u"時間は 23時59分ですね。"_s;
    }
    void theTimeLeavesOutSecondsAndLeadingZeros()
    {
        QFETCH(QTime, time);
        QFETCH(QString, sentence);
        m_run->clock.time = QDateTime(QDate(2026, 12, 6), time);
        m_run->state.IdleCount = 42;
        m_run->form().Command3_Click();
        QCOMPARE(log().requests(), (QStringList{u"Play readcontinued"_s, u"Speak "_s + sentence}));
        QCOMPARE(m_run->state.IdleCount, 42); // the buttons leave the quiet count alone
    }

    void otherTopicsSayNothing()
    {
        for (const qint16 topic :
             {qint16(0), qint16(3), qint16(8), qint16(10), qint16(-1), qint16(32767)})
            m_run->form().Hanasimasu(topic);
        QVERIFY(log().entries.isEmpty());
    }

    void everyIdleRowHasItsSequence_data()
    {
        QTest::addColumn<double>("draw");
        QTest::addColumn<QStringList>("requests");
        // clang-format off
        QTest::newRow("1, corner 4") << 0.0 << QStringList{u"Speak 長いことここにいるなー"_s, u"MoveTo 0,0"_s, u"Play idle2_1"_s};
        QTest::newRow("2") << 1.5 / 7 << QStringList{u"Speak あいまい検索は小文字で*（アスタリスク)を付けてね。"_s, u"Play idle2_1"_s, u"Play blink"_s};
        QTest::newRow("3") << 2.5 / 7 << QStringList{u"Speak 調子はどうだい。"_s, u"Play idle2_1"_s, u"Play confused"_s};
        QTest::newRow("4") << 3.5 / 7 << QStringList{u"Speak 楽しいねー"_s, u"Play idle2_1"_s, u"Play decline"_s};
        QTest::newRow("5 in June") << 4.5 / 7 << QStringList{u"Play explain"_s, u"Speak かえるの声が聞こえないかい？"_s, u"Play idle2_1"_s};
        QTest::newRow("6") << 5.5 / 7 << QStringList{u"Speak フォームをダブルクリックしても検索できるよ。"_s, u"Play idle2_1"_s, u"Play blink"_s};
        QTest::newRow("7") << 0.999 << QStringList{u"Speak F1キーを押しても検索できるよ。"_s, u"Play idle2_1"_s, u"Play blink"_s};
        // clang-format on
    }
    void everyIdleRowHasItsSequence()
    {
        QFETCH(double, draw);
        QFETCH(QStringList, requests);
        m_run->clock.time = QDateTime(QDate(2026, 6, 15), QTime(14, 20, 0));
        m_run->random.draws = {draw, 0.0};
        m_run->form().Hanasimasu(9);
        QCOMPARE(log().requests(), requests);
    }

    void theSeasonalRemarkFollowsTheMonth_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("remark");
        const QStringList remarks = {u"外は寒いねー"_s,
                                     u"外は冷たいよー"_s,
                                     u"梅の花は咲いたかなー"_s,
                                     u"桜の花はきれいだねー"_s,
                                     u"雨の日が多いねー"_s,
                                     u"かえるの声が聞こえないかい？"_s,
                                     u"暑くなってきたねー"_s,
                                     u"外は暑いねー"_s,
                                     u"ちょっと涼しくなってきたねー"_s,
                                     u"紅葉でも見に行きたいねー"_s,
                                     u"寒くなってきたねー"_s,
                                     u"クリスマス気分"_s};
        for (int m = 1; m <= 12; ++m)
            QTest::addRow("%d", m) << m << remarks[m - 1];
    }
    void theSeasonalRemarkFollowsTheMonth()
    {
        QFETCH(int, month);
        QFETCH(QString, remark);
        m_run->clock.time = QDateTime(QDate(2026, month, 28), QTime(3, 0, 1));
        m_run->random.draws = {4.5 / 7};
        m_run->form().Hanasimasu(9);
        QStringList expected = {u"Play explain"_s, u"Speak "_s + remark, u"Play idle2_1"_s};
        if (month == 12)
            expected.prepend(u"Play think"_s);
        QCOMPARE(log().requests(), expected);
    }

    void everyHourHasItsSentence_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<QString>("sentence");
        const QStringList digits = {u"１２"_s, u"１"_s, u"２"_s, u"３"_s, u"４"_s,   u"５"_s,
                                    u"６"_s,   u"７"_s, u"８"_s, u"９"_s, u"１０"_s, u"１１"_s};
        for (int h = 0; h < 24; ++h)
            QTest::addRow("%02d:00:00", h)
                << h << (h < 12 ? u"午前"_s : u"午後"_s) + digits[h % 12] + u"時です。"_s;
    }
    void everyHourHasItsSentence()
    {
        QFETCH(int, hour);
        QFETCH(QString, sentence);
        m_run->clock.time = QDateTime(QDate(2026, 12, 6), QTime(hour, 0, 0));
        m_run->random.draws = {0.5};
        m_run->form().Timer1_Timer();
        QCOMPARE(log().requests(), (QStringList{u"Speak "_s + sentence, u"Play decline"_s}));
    }

    void onlyTheExactFullHourSecondAnnounces()
    {
        for (const QTime t :
             {QTime(14, 59, 59), QTime(15, 0, 1), QTime(15, 1, 0), QTime(15, 30, 0)}) {
            m_run->clock.time = QDateTime(QDate(2026, 12, 6), t);
            m_run->form().Timer1_Timer();
        }
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(m_run->state.IdleCount, 4);
    }

    void theQuietCountMakesARemarkEvery1800Ticks()
    {
        m_run->clock.time = QDateTime(QDate(2026, 12, 6), QTime(10, 30, 15));
        m_run->random.draws = {2.5 / 7};
        for (int i = 0; i < 1799; ++i)
            m_run->form().Timer1_Timer();
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(m_run->state.IdleCount, 1799);
        m_run->form().Timer1_Timer();
        QCOMPARE(m_run->state.IdleCount, 0);
        QCOMPARE(log().requests().first(), u"Speak 調子はどうだい。"_s);
        log().clear();
        for (int i = 0; i < 1799; ++i)
            m_run->form().Timer1_Timer();
        QVERIFY(log().entries.isEmpty());
        m_run->form().Timer1_Timer();
        QCOMPARE(log().requests().size(), 3);
    }

    void anAnswerAtTick1799RestartsTheCount()
    {
        TestRun &run = *m_run;
        run.kb().add(u"どんぐり"_s, u"木の実"_s, {});
        for (int i = 0; i < 1799; ++i)
            m_run->form().Timer1_Timer();
        run.ask(u"どんぐり"_s);
        log().clear();
        m_run->form().Timer1_Timer();
        QVERIFY(log().entries.isEmpty());
        QCOMPARE(run.state.IdleCount, 1);
    }

    void aFullHourOnThe1800thTickAnnouncesFirst()
    {
        m_run->state.IdleCount = 1799;
        m_run->clock.time = QDateTime(QDate(2026, 12, 6), QTime(9, 0, 0));
        m_run->random.draws = {0.0, 2.5 / 7};
        m_run->form().Timer1_Timer();
        QCOMPARE(log().requests(),
                 (QStringList{u"Speak 午前９時です。"_s, u"Play readcontinued"_s,
                              u"Speak 調子はどうだい。"_s, u"Play idle2_1"_s, u"Play confused"_s}));
    }

    void drawsComeUpInFairShares()
    {
        // The program's own random source, drawn many times through the real choices.
        SystemRandom random;
        random.seed(20261207);
        const int draws = 35000;
        auto fair = [](const QMap<QString, int> &counts, int rows, int total) {
            if (counts.size() != rows)
                return false;
            for (int c : counts)
                if (std::abs(c - double(total) / rows) > 0.1 * total / rows)
                    return false;
            return true;
        };

        QMap<QString, int> gestures;
        for (int i = 0; i < draws; ++i)
            ++gestures[Chatter::hourlyAnimation(random)];
        QVERIFY2(fair(gestures, 5, draws), qPrintable(QStringList(gestures.keys()).join(u',')));

        auto log = std::make_shared<CharacterLog>();
        RecordingCharacter character(u"c"_s, log);
        QMap<QString, int> remarks;
        QMap<QString, int> corners;
        for (int i = 0; i < draws; ++i) {
            log->clear();
            Chatter::idleRemark(character, random, QDate(2026, 3, 1));
            ++remarks[log->requests().first() == u"Play explain"_s ? log->requests()[1]
                                                                   : log->requests().first()];
            if (log->requests()[1].startsWith(u"MoveTo"_s))
                ++corners[log->requests()[1]];
        }
        QVERIFY(fair(remarks, 7, draws));
        QVERIFY(fair(corners, 4, remarks[u"Speak 長いことここにいるなー"_s]));

        QMap<QString, int> greetings;
        for (int i = 0; i < draws; ++i)
            ++greetings[QString::number(drawRow(random, 6))];
        QVERIFY(fair(greetings, 6, draws));
    }
};

QTEST_MAIN(TestChatter)
#include "test_chatter.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "chatter.h"

#include "character/character.h"
#include "random_source.h"

#include <QPoint>

namespace donguri::Chatter {

namespace {

// Weekday names from Sunday.
const QStringList WeekdayNames = {QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"),
                                  QStringLiteral("水"), QStringLiteral("木"), QStringLiteral("金"),
                                  QStringLiteral("土")};

const QStringList SeasonalRemarks = {
    QStringLiteral("外は寒いねー"),
    QStringLiteral("外は冷たいよー"),
    QStringLiteral("梅の花は咲いたかなー"),
    QStringLiteral("桜の花はきれいだねー"),
    QStringLiteral("雨の日が多いねー"),
    QStringLiteral("かえるの声が聞こえないかい？"),
    QStringLiteral("暑くなってきたねー"),
    QStringLiteral("外は暑いねー"),
    QStringLiteral("ちょっと涼しくなってきたねー"),
    QStringLiteral("紅葉でも見に行きたいねー"),
    QStringLiteral("寒くなってきたねー"),
    QStringLiteral("クリスマス気分"),
};

const QList<QPoint> Corners = {{0, 0}, {900, 0}, {0, 600}, {900, 600}};

const QStringList HourlyAnimations = {QStringLiteral("readcontinued"), QStringLiteral("pleased"),
                                      QStringLiteral("decline"), QStringLiteral("blink"),
                                      QStringLiteral("confused")};

QString fullWidthNumber(int value)
{
    QString digits = QString::number(value);
    for (QChar &c : digits)
        c = QChar(c.unicode() - u'0' + 0xFF10);
    return digits;
}

// The usage hints end the same way: settle, then blink.
void hint(Character &character, const QString &text)
{
    character.Speak(text);
    character.Play(QStringLiteral("idle2_1"));
    character.Play(QStringLiteral("blink"));
}

} // namespace

QString dateSentence(QDate date)
{
    const QString &weekday = WeekdayNames.at(date.dayOfWeek() % 7); // Qt counts Sunday as 7
    return QStringLiteral("今日は%1月%2日 %3曜日です。")
        .arg(date.month())
        .arg(date.day())
        .arg(weekday);
}

QString timeSentence(QTime time)
{
    return QStringLiteral("時間は %1時%2分ですね。").arg(time.hour()).arg(time.minute());
}

QString hourSentence(int hour)
{
    const bool morning = hour < 12;
    const int onClock = hour % 12 == 0 ? 12 : hour % 12;
    return (morning ? QStringLiteral("午前") : QStringLiteral("午後")) + fullWidthNumber(onClock)
           + QStringLiteral("時です。");
}

QString seasonalRemark(int month)
{
    return SeasonalRemarks.at(std::clamp(month, 1, 12) - 1);
}

void idleRemark(Character &character, RandomSource &random, QDate today)
{
    switch (drawRow(random, 7)) {
    case 1: {
        character.Speak(QStringLiteral("長いことここにいるなー"));
        const QPoint corner = Corners.at(drawRow(random, int(Corners.size())) - 1);
        character.MoveTo(corner.x(), corner.y());
        character.Play(QStringLiteral("idle2_1"));
        break;
    }
    case 2:
        hint(character, QStringLiteral("あいまい検索は小文字で*（アスタリスク)を付けてね。"));
        break;
    case 3:
        character.Speak(QStringLiteral("調子はどうだい。"));
        character.Play(QStringLiteral("idle2_1"));
        character.Play(QStringLiteral("confused"));
        break;
    case 4:
        character.Speak(QStringLiteral("楽しいねー"));
        character.Play(QStringLiteral("idle2_1"));
        character.Play(QStringLiteral("decline"));
        break;
    case 5:
        if (today.month() == 12)
            character.Play(QStringLiteral("think"));
        character.Play(QStringLiteral("explain"));
        character.Speak(seasonalRemark(today.month()));
        character.Play(QStringLiteral("idle2_1"));
        break;
    case 6:
        hint(character, QStringLiteral("フォームをダブルクリックしても検索できるよ。"));
        break;
    case 7:
        hint(character, QStringLiteral("F1キーを押しても検索できるよ。"));
        break;
    }
}

QString hourlyAnimation(RandomSource &random)
{
    return HourlyAnimations.at(drawRow(random, int(HourlyAnimations.size())) - 1);
}

} // namespace donguri::Chatter

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

namespace donguri {

class Character;
class RandomSource;

// What the character says about the calendar, the hour and to pass the time.
namespace Chatter {

// 今日は12月6日 日曜日です。 (ASCII digits without leading zeros; one blank after 日)
QString dateSentence(QDate date);
// 時間は 9時5分ですね。 (seconds are never spoken)
QString timeSentence(QTime time);
// 午前１２時です。 … 午後１１時です。 (full-width digits)
QString hourSentence(int hour);
QString seasonalRemark(int month);

// An idle remark: draws one of seven rows (and for row 1 one of four corners) and queues its
// requests with the character.
void idleRemark(Character &character, RandomSource &random, QDate today);
// The closing gesture of an hourly announcement, one of five.
QString hourlyAnimation(RandomSource &random);

} // namespace Chatter
} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/match_ids.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace donguri;

class TestMatchIds : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void idsComeOutAscending_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("a few") << 10;
        QTest::newRow("many, sorted in passes") << 200000;
    }
    void idsComeOutAscending()
    {
        QFETCH(int, count);
        QRandomGenerator random(7);
        std::vector<qint32> ids;
        for (int i = 0; i < count; ++i)
            ids.push_back(qint32(random.generate()));
        ids.push_back(-1); // only a hand edit makes these
        ids.push_back(std::numeric_limits<qint32>::min());
        ids.push_back(std::numeric_limits<qint32>::max());
        std::vector<qint32> expected = ids;
        std::sort(expected.begin(), expected.end());
        const MatchIds matches = MatchIds::of(ids);
        QCOMPARE(matches.size(), qint64(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(matches.at(qint64(i)), expected[i]);
    }

    void anUnbrokenRunHoldsNoIds()
    {
        const MatchIds run = MatchIds::run(41, 1000000);
        QCOMPARE(run.size(), 1000000);
        QCOMPARE(run.at(0), 41);
        QCOMPARE(run.at(999999), 1000040);
        QVERIFY(MatchIds().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMatchIds)
#include "test_match_ids.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "character/character_stage.h"
#include "support/recording_character.h"

#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestCharacterStage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theChoiceNamesTheCharacter_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("load");
        QTest::newRow("1") << 1 << u"Load Genie Genie.acs"_s;
        QTest::newRow("2") << 2 << u"Load merlin merlin.acs"_s;
        QTest::newRow("3") << 3 << u"Load Peedy Peedy.acs"_s;
    }
    void theChoiceNamesTheCharacter()
    {
        QFETCH(int, choice);
        QFETCH(QString, load);
        RecordingLoader loader;
        QVERIFY(CharacterStage::loadChosenCharacter(choice, loader));
        QCOMPARE(loader.loads, QStringList{load});
    }

    void anyOtherChoiceLoadsNobody_data()
    {
        QTest::addColumn<int>("choice");
        QTest::newRow("0") << 0;
        QTest::newRow("4") << 4;
        QTest::newRow("-1") << -1;
    }
    void anyOtherChoiceLoadsNobody()
    {
        QFETCH(int, choice);
        RecordingLoader loader;
        QVERIFY(!CharacterStage::loadChosenCharacter(choice, loader));
        QVERIFY(loader.loads.isEmpty());
    }

    void theCorrectionWindowLoadsGenieWithoutAFile()
    {
        RecordingLoader loader;
        QVERIFY(CharacterStage::loadCorrectionCharacter(loader));
        QCOMPARE(loader.loads, QStringList{u"Load Genie"_s});
    }
};

QTEST_GUILESS_MAIN(TestCharacterStage)
#include "test_character_stage.moc"

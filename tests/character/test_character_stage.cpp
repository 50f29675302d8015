#include "character_stage.h"
#include "knowledge_base.h"
#include "recording_character.h"
#include "test_env.h"

#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestCharacterStage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"kb.mdb"_s);
        KnowledgeBase create(m_path);
    }

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
        execSql(m_path, QStringLiteral("UPDATE キャラクター SET キャラクター番号 = %1").arg(choice).toUtf8().constData());
        KnowledgeBase kb(m_path);
        RecordingLoader loader;
        QVERIFY(CharacterStage::loadChosenCharacter(kb, loader));
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
        execSql(m_path, QStringLiteral("UPDATE キャラクター SET キャラクター番号 = %1").arg(choice).toUtf8().constData());
        KnowledgeBase kb(m_path);
        RecordingLoader loader;
        QVERIFY(!CharacterStage::loadChosenCharacter(kb, loader));
        QVERIFY(loader.loads.isEmpty());
        QCOMPARE(kb.characterChoice(), std::optional<qint16>(qint16(choice))); // not "repaired"
    }

    void anUnreadableRowIsRepairedWithGenie()
    {
        execSql(m_path, "DELETE FROM キャラクター");
        KnowledgeBase kb(m_path);
        RecordingLoader loader;
        QVERIFY(CharacterStage::loadChosenCharacter(kb, loader));
        QCOMPARE(loader.loads, QStringList{u"Load Genie Genie.acs"_s});
        QCOMPARE(kb.characterChoice(), std::optional<qint16>(1));
    }

    void aTextChoiceGainsARowAndStillGetsGenie()
    {
        execSql(m_path, "UPDATE キャラクター SET キャラクター番号 = 'x'");
        KnowledgeBase kb(m_path);
        RecordingLoader loader;
        QVERIFY(CharacterStage::loadChosenCharacter(kb, loader));
        QCOMPARE(loader.loads, QStringList{u"Load Genie Genie.acs"_s});
        QCOMPARE(kb.characterChoice(), std::nullopt); // row 1 still unreadable; a row was added
    }

    void theCorrectionWindowLoadsGenieWithoutAFile()
    {
        RecordingLoader loader;
        QVERIFY(CharacterStage::loadCorrectionCharacter(loader));
        QCOMPARE(loader.loads, QStringList{u"Load Genie"_s});
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestCharacterStage)
#include "test_character_stage.moc"

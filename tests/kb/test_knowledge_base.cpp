#include "kb/kb_error.h"
#include "kb/knowledge_base.h"
#include "support/test_env.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestKnowledgeBase : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"どんぐりくん.mdb"_s);
    }

    void aNewFileHasBothTablesAndChoosesGenie()
    {
        KnowledgeBase kb(m_path);
        QVERIFY(QFile::exists(m_path));
        QCOMPARE(kb.countAll(), 0);
        QCOMPARE(kb.characterChoice(), std::optional<qint16>(1));
        QCOMPARE(kb.findWord(u"どんぐり"_s), std::nullopt);
        QCOMPARE(kb.countMatches(u"*"_s), 0);
    }

    void storedTextIsKeptAsWritten()
    {
        KnowledgeBase kb(m_path);
        const QString meaning = u"木の実。\r\n二行目\t \"引用\" 'quote' %_[]*?\\"_s;
        const qint32 id = kb.add(u"どんぐり  "_s, meaning, u"/doc/a b.html"_s);
        const std::optional<Entry> entry = kb.entry(id);
        QVERIFY(entry);
        QCOMPARE(entry->word, u"どんぐり  "_s);
        QCOMPARE(entry->meaning, std::optional<QString>(meaning));
        QCOMPARE(entry->link, u"/doc/a b.html"_s);
        QCOMPARE(kb.entry(id + 100), std::nullopt);
    }

    void trailingBlanksDoNotCountOnEitherSide_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("found");
        QTest::newRow("plain") << u"どんぐり"_s << u"どんぐり"_s << true;
        QTest::newRow("padded to 50")
            << u"どんぐり"_s.leftJustified(50, u' ') << u"どんぐり"_s << true;
        QTest::newRow("asked with blanks") << u"どんぐり"_s << u"どんぐり   "_s << true;
        QTest::newRow("leading blank counts") << u"どんぐり"_s << u" どんぐり"_s << false;
        QTest::newRow("full-width blank counts") << u"どんぐり　"_s << u"どんぐり"_s << false;
        QTest::newRow("apostrophe") << u"it's"_s << u"it's"_s << true;
        QTest::newRow("quote and percent") << u"50% \"off\""_s << u"50% \"off\""_s << true;
        QTest::newRow("underscore is no wildcard") << u"a_c"_s << u"abc"_s << false;
        QTest::newRow("empty word") << QString() << QString() << true;
        QTest::newRow("sql in a word") << u"x' OR '1'='1"_s << u"x' OR '1'='1"_s << true;
    }
    void trailingBlanksDoNotCountOnEitherSide()
    {
        QFETCH(QString, stored);
        QFETCH(QString, asked);
        QFETCH(bool, found);
        KnowledgeBase kb(m_path);
        kb.add(u"別の言葉"_s, u"x"_s, {});
        const qint32 id = kb.add(stored, u"意味"_s, {});
        QCOMPARE(kb.findWord(asked), found ? std::optional<qint32>(id) : std::nullopt);
    }

    void theFirstOfEqualWordsIsFound()
    {
        KnowledgeBase kb(m_path);
        const qint32 first = kb.add(u"どんぐり"_s, u"一つ目"_s, {});
        kb.add(u"どんぐり "_s, u"二つ目"_s, {});
        QCOMPARE(kb.findWord(u"どんぐり"_s), std::optional<qint32>(first));
    }

    void patternsCountAndListInIdOrder()
    {
        KnowledgeBase kb(m_path);
        const qint32 a = kb.add(u"どんぐり"_s, u"1"_s, {});
        const qint32 b = kb.add(u"どん"_s, u"2"_s, {});
        kb.add(u"くり"_s, u"3"_s, {});
        const qint32 d = kb.add(u"どんぶり"_s.leftJustified(50, u' '), u"4"_s, {});
        const qint32 e = kb.add(u"10円"_s, u"5"_s, {});
        kb.add(u"1a"_s, u"6"_s, {});

        QCOMPARE(kb.countMatches(u"どん*"_s), 3);
        const QList<WordRow> rows = kb.listMatches(u"どん*"_s);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].id, a);
        QCOMPARE(rows[1].id, b);
        QCOMPARE(rows[2].id, d);
        QCOMPARE(rows[2].word, u"どんぶり"_s.leftJustified(50, u' ')); // listed as stored

        QCOMPARE(kb.countMatches(u"*り"_s), 3); // padded word still ends in り
        QCOMPARE(kb.countMatches(u"*ん*"_s), 3);
        QCOMPARE(kb.countMatches(u"*"_s), 6);
        QCOMPARE(kb.listMatches(u"*"_s).size(), 6);
        QCOMPARE(kb.countMatches(u"10*"_s), 1); // a prefix that looks like a number
        QCOMPARE(kb.listMatches(u"10*"_s).first().id, e);
        QCOMPARE(kb.countMatches(u"ど?*"_s), 0);    // ? is not a wildcard
        QCOMPARE(kb.countMatches(u"どん*  "_s), 3); // trailing blanks of the pattern don't count
        QCOMPARE(kb.countMatches(u"どん*り"_s), 2); // prefix and more
        QCOMPARE(kb.listMatches(u"どん**"_s).size(), 3);
    }

    void specialCharactersAreJustCharacters()
    {
        KnowledgeBase kb(m_path);
        const QStringList words = {u"it's"_s, u"\"q\""_s, u"100%"_s, u"a_b"_s,
                                   u"[x]"_s,  u"?"_s,     u"a\\b"_s, u"'; DROP TABLE 言葉; --"_s};
        for (const QString &word : words)
            kb.add(word, u"m"_s, {});
        for (const QString &word : words) {
            QVERIFY2(kb.findWord(word), qPrintable(word));
            QCOMPARE(kb.countMatches(word + u"*"_s), 1);
        }
        QCOMPARE(kb.countMatches(u"*%"_s), 1);
        QCOMPARE(kb.countMatches(u"*_*"_s), 1);
        QCOMPARE(kb.countMatches(u"[*"_s), 1);
        QCOMPARE(kb.countAll(), words.size());
    }

    void writesAreSeenAtOnceByAnotherHandle()
    {
        KnowledgeBase reader(m_path);
        QCOMPARE(reader.countAll(), 0);
        KnowledgeBase writer(m_path);
        const qint32 id = writer.add(u"新しい"_s, u"今覚えた"_s, {});
        QCOMPARE(reader.findWord(u"新しい"_s), std::optional<qint32>(id));
        QCOMPARE(reader.countMatches(u"新*"_s), 1);
        writer.update(id, u"改めた"_s, u"直した"_s, u"http://example.com/"_s);
        QCOMPARE(reader.findWord(u"新しい"_s), std::nullopt);
        QCOMPARE(reader.entry(id)->meaning, std::optional<QString>(u"直した"_s));
        QCOMPARE(reader.findWord(u"改めた"_s), std::optional<qint32>(id));
    }

    void updatingAMissingEntryFails()
    {
        KnowledgeBase kb(m_path);
        QVERIFY_THROWS_EXCEPTION(KbError, kb.update(42, u"a"_s, u"b"_s, {}));
    }

    void aFileThatIsNotAKnowledgeBaseIsLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("text file") << QByteArray("C:\\どんぐりくん.mdb\r\n");
        QTest::newRow("truncated header") << QByteArray("SQLite format 3\0\x10\0", 19);
    }
    void aFileThatIsNotAKnowledgeBaseIsLeftUntouched()
    {
        QFETCH(QByteArray, bytes);
        writeBytes(m_path, bytes);
        QVERIFY_THROWS_EXCEPTION(KbError, KnowledgeBase kb(m_path));
        QCOMPARE(fileBytes(m_path), bytes);
        QVERIFY(!QFile::exists(m_path + u"-wal"_s));
    }

    void anSqliteFileWithoutOurTablesIsLeftUntouched()
    {
        execSql(m_path, "CREATE TABLE 言葉 (ID INTEGER PRIMARY KEY, 言葉 TEXT); INSERT INTO 言葉 "
                        "VALUES (1, 'x');");
        const QByteArray before = fileBytes(m_path);
        QVERIFY_THROWS_EXCEPTION(KbError, KnowledgeBase kb(m_path));
        QCOMPARE(fileBytes(m_path), before);
    }

    void aMissingFolderOrAFolderPathFails()
    {
        for (const QString &path :
             {m_dir->filePath(u"no/such/dir/x.mdb"_s), m_dir->path(), QString()})
            QVERIFY_THROWS_EXCEPTION(KbError, KnowledgeBase kb(path));
    }

    void characterChoiceIsReadAndRepaired_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<std::optional<qint16>>("expected");
        // clang-format off
        QTest::newRow("merlin") << QByteArray("UPDATE キャラクター SET キャラクター番号 = 2") << std::optional<qint16>(2);
        QTest::newRow("no row 1") << QByteArray("DELETE FROM キャラクター") << std::optional<qint16>();
        QTest::newRow("only another row") << QByteArray("UPDATE キャラクター SET ID = 7") << std::optional<qint16>();
        QTest::newRow("text") << QByteArray("UPDATE キャラクター SET キャラクター番号 = 'Genie'") << std::optional<qint16>();
        QTest::newRow("null") << QByteArray("UPDATE キャラクター SET キャラクター番号 = NULL") << std::optional<qint16>();
        QTest::newRow("too big for 16 bits") << QByteArray("UPDATE キャラクター SET キャラクター番号 = 70000") << std::optional<qint16>();
        QTest::newRow("unknown number") << QByteArray("UPDATE キャラクター SET キャラクター番号 = 9") << std::optional<qint16>(9);
        // clang-format on
    }
    void characterChoiceIsReadAndRepaired()
    {
        QFETCH(QByteArray, setup);
        QFETCH(std::optional<qint16>, expected);
        {
            KnowledgeBase create(m_path);
        }
        execSql(m_path, setup.constData());
        KnowledgeBase kb(m_path);
        QCOMPARE(kb.characterChoice(), expected);
    }

    void repairingAnEmptyCharacterTableChoosesGenie()
    {
        {
            KnowledgeBase create(m_path);
        }
        execSql(m_path, "DELETE FROM キャラクター");
        KnowledgeBase kb(m_path);
        QCOMPARE(kb.characterChoice(), std::nullopt);
        kb.repairCharacterChoice();
        QCOMPARE(kb.characterChoice(), std::optional<qint16>(1));
    }

    // Start-up's choice: a readable number is taken as it is, even one that names nobody; an
    // unreadable row gives Genie and gains a row that says so.
    void theChosenCharacterIsReadOrRepaired_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<std::optional<qint16>>("storedAfter");
        // clang-format off
        QTest::newRow("merlin") << QByteArray("UPDATE キャラクター SET キャラクター番号 = 2") << 2 << std::optional<qint16>(2);
        QTest::newRow("unknown number") << QByteArray("UPDATE キャラクター SET キャラクター番号 = 4") << 4 << std::optional<qint16>(4);
        QTest::newRow("negative") << QByteArray("UPDATE キャラクター SET キャラクター番号 = -1") << -1 << std::optional<qint16>(-1);
        QTest::newRow("empty table") << QByteArray("DELETE FROM キャラクター") << 1 << std::optional<qint16>(1);
        // Row 1 stays unreadable; the row added for Genie has another ID.
        QTest::newRow("text") << QByteArray("UPDATE キャラクター SET キャラクター番号 = 'x'") << 1 << std::optional<qint16>();
        // clang-format on
    }
    void theChosenCharacterIsReadOrRepaired()
    {
        QFETCH(QByteArray, setup);
        QFETCH(int, chosen);
        QFETCH(std::optional<qint16>, storedAfter);
        {
            KnowledgeBase create(m_path);
        }
        execSql(m_path, setup.constData());
        KnowledgeBase kb(m_path);
        QCOMPARE(chosenCharacterNumber(kb), chosen);
        QCOMPARE(kb.characterChoice(), storedAfter);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestKnowledgeBase)
#include "test_knowledge_base.moc"

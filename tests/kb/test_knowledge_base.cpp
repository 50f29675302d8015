// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/file_knowledge_base.h"
#include "kb/kb_error.h"
#include "support/kb_store.h"
#include "support/test_env.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// What every window relies on, checked on the SQLite file and (DONGURI_TEST_STORE=server) on a
// PostgreSQL database alike; the tests of the file's own format run on the file only.
class TestKnowledgeBase : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_store.fresh();
        m_path = m_store.location();
    }

    void aNewFileHasBothTablesAndChoosesGenie()
    {
        const auto kb = m_store.open();
        if (onFile())
            QVERIFY(QFile::exists(m_path));
        QCOMPARE(kb->countAll(), 0);
        QCOMPARE(kb->characterChoice(), std::optional<qint16>(1));
        QCOMPARE(kb->findWord(u"どんぐり"_s), std::nullopt);
        QCOMPARE(kb->countMatches(u"*"_s), 0);
    }

    void storedTextIsKeptAsWritten()
    {
        const auto kb = m_store.open();
        const QString meaning = u"木の実。\r\n二行目\t \"引用\" 'quote' %_[]*?\\"_s;
        const qint32 id = kb->add(u"どんぐり  "_s, meaning, u"/doc/a b.html"_s);
        const std::optional<Entry> entry = kb->entry(id);
        QVERIFY(entry);
        QCOMPARE(entry->word, u"どんぐり  "_s);
        QCOMPARE(entry->meaning, std::optional<QString>(meaning));
        QCOMPARE(entry->link, u"/doc/a b.html"_s);
        QCOMPARE(kb->entry(id + 100), std::nullopt);
    }

    // Presenting an entry reads only the beginning of its meaning: the stored text, cut, and
    // never inside a character.
    void anEntrysBeginningIsItsMeaningCut()
    {
        const auto kb = m_store.open();
        const QString longMeaning = u"どんぐり🌰の実。"_s.repeated(5000); // 🌰: two UTF-16 units
        const qint32 longId = kb->add(u"長い"_s, longMeaning, u"/doc/a.html"_s);
        const qint32 shortId = kb->add(u"短い"_s, u"木の実"_s, {});
        const qint32 nullId = kb->add(u"空"_s, u"x"_s, {});
        m_store.exec(("UPDATE 言葉 SET 意味 = NULL WHERE \"ID\" = " + QByteArray::number(nullId))
                         .constData());
        const QList<std::pair<qsizetype, qsizetype>> cuts = {{1, 1}, {5, 4},       {6, 6},
                                                             {7, 7}, {1000, 1000}, {44999, 44999}};
        for (const auto &[asked, given] : cuts) {
            const std::optional<Entry> beginning = kb->entryBeginning(longId, asked);
            QVERIFY(beginning);
            QCOMPARE(beginning->id, longId);
            QCOMPARE(beginning->word, u"長い"_s);
            QCOMPARE(beginning->link, u"/doc/a.html"_s);
            QCOMPARE(beginning->meaning, std::optional<QString>(longMeaning.left(given)));
        }
        QCOMPARE(kb->entryBeginning(longId, 45000)->meaning, std::optional<QString>(longMeaning));
        QCOMPARE(kb->entryBeginning(shortId, 1000)->meaning, std::optional<QString>(u"木の実"_s));
        QCOMPARE(kb->entryBeginning(nullId, 1000)->meaning, std::nullopt);
        QCOMPARE(kb->entryBeginning(longId + 100, 10), std::nullopt);
        if (onFile()) { // a meaning stored as bytes, not text, is read the ordinary way
            execSql(m_path, ("UPDATE 言葉 SET 意味 = CAST('木の実' AS BLOB) WHERE ID = "
                             + QByteArray::number(shortId))
                                .constData());
            QCOMPARE(kb->entryBeginning(shortId, 2)->meaning, std::optional<QString>(u"木の"_s));
        }
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
        const auto kb = m_store.open();
        kb->add(u"別の言葉"_s, u"x"_s, {});
        const qint32 id = kb->add(stored, u"意味"_s, {});
        QCOMPARE(kb->findWord(asked), found ? std::optional<qint32>(id) : std::nullopt);
    }

    void theFirstOfEqualWordsIsFound()
    {
        const auto kb = m_store.open();
        const qint32 first = kb->add(u"どんぐり"_s, u"一つ目"_s, {});
        kb->add(u"どんぐり "_s, u"二つ目"_s, {});
        QCOMPARE(kb->findWord(u"どんぐり"_s), std::optional<qint32>(first));
    }

    void patternsCountAndListInIdOrder()
    {
        const auto kb = m_store.open();
        const qint32 a = kb->add(u"どんぐり"_s, u"1"_s, {});
        const qint32 b = kb->add(u"どん"_s, u"2"_s, {});
        kb->add(u"くり"_s, u"3"_s, {});
        const qint32 d = kb->add(u"どんぶり"_s.leftJustified(50, u' '), u"4"_s, {});
        const qint32 e = kb->add(u"10円"_s, u"5"_s, {});
        kb->add(u"1a"_s, u"6"_s, {});

        QCOMPARE(kb->countMatches(u"どん*"_s), 3);
        const QList<WordRow> rows = kb->listMatches(u"どん*"_s);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].id, a);
        QCOMPARE(rows[1].id, b);
        QCOMPARE(rows[2].id, d);
        QCOMPARE(rows[2].word, u"どんぶり"_s.leftJustified(50, u' ')); // listed as stored

        QCOMPARE(kb->countMatches(u"*り"_s), 3); // padded word still ends in り
        QCOMPARE(kb->countMatches(u"*ん*"_s), 3);
        QCOMPARE(kb->countMatches(u"*"_s), 6);
        QCOMPARE(kb->listMatches(u"*"_s).size(), 6);
        QCOMPARE(kb->countMatches(u"10*"_s), 1); // a prefix that looks like a number
        QCOMPARE(kb->listMatches(u"10*"_s).first().id, e);
        QCOMPARE(kb->countMatches(u"ど?*"_s), 0);    // ? is not a wildcard
        QCOMPARE(kb->countMatches(u"どん*  "_s), 3); // trailing blanks of the pattern don't count
        QCOMPARE(kb->countMatches(u"どん*り"_s), 2); // prefix and more
        QCOMPARE(kb->listMatches(u"どん**"_s).size(), 3);
    }

    void specialCharactersAreJustCharacters()
    {
        const auto kb = m_store.open();
        const QStringList words = {u"it's"_s, u"\"q\""_s, u"100%"_s, u"a_b"_s,
                                   u"[x]"_s,  u"?"_s,     u"a\\b"_s, u"'; DROP TABLE 言葉; --"_s};
        for (const QString &word : words)
            kb->add(word, u"m"_s, {});
        for (const QString &word : words) {
            QVERIFY2(kb->findWord(word), qPrintable(word));
            QCOMPARE(kb->countMatches(word + u"*"_s), 1);
        }
        QCOMPARE(kb->countMatches(u"*%"_s), 1);
        QCOMPARE(kb->countMatches(u"*_*"_s), 1);
        QCOMPARE(kb->countMatches(u"[*"_s), 1);
        QCOMPARE(kb->countAll(), words.size());
    }

    void writesAreSeenAtOnceByAnotherHandle()
    {
        const auto reader = m_store.open();
        QCOMPARE(reader->countAll(), 0);
        const auto writer = m_store.open();
        const qint32 id = writer->add(u"新しい"_s, u"今覚えた"_s, {});
        QCOMPARE(reader->findWord(u"新しい"_s), std::optional<qint32>(id));
        QCOMPARE(reader->countMatches(u"新*"_s), 1);
        writer->update(id, u"改めた"_s, u"直した"_s, u"http://example.com/"_s);
        QCOMPARE(reader->findWord(u"新しい"_s), std::nullopt);
        QCOMPARE(reader->entry(id)->meaning, std::optional<QString>(u"直した"_s));
        QCOMPARE(reader->findWord(u"改めた"_s), std::optional<qint32>(id));
    }

    // A question's count and its list share one pass while nothing changes; any write, through
    // this handle or another, makes the next question look again.
    void aPatternIsReadOnceUntilTheKnowledgeBaseChanges()
    {
        const auto kb = m_store.open();
        kb->add(u"どんぐり"_s, u"1"_s, {});
        const auto first = kb->matches(u"どん*"_s);
        QCOMPARE(kb->matches(u"どん*"_s), first);
        QCOMPARE(kb->countMatches(u"どん*"_s), 1);

        kb->add(u"どんこ"_s, u"2"_s, {});
        const auto afterOwnWrite = kb->matches(u"どん*"_s);
        QCOMPARE(afterOwnWrite->size(), 2);

        const auto other = m_store.open();
        other->update(1, u"くり"_s, u"3"_s, {});
        const auto afterOtherWrite = kb->matches(u"どん*"_s);
        QCOMPARE(afterOtherWrite->size(), 1);
        QCOMPARE(afterOtherWrite->at(0), 2);

        QCOMPARE(kb->matches(u"く*"_s)->size(), 1); // another pattern is another pass
        QCOMPARE(afterOwnWrite->size(), 2);         // a result handed out stays as it was
    }

    // A question's matches come with the words of the first of them, read in one go: the same
    // IDs and words as reading them apart, for every shape of pattern, and kept for the list.
    void aPreviewIsTheMatchesWithTheirFirstWords()
    {
        const auto kb = m_store.open();
        for (int i = 0; i < 6; ++i)
            kb->add(u"どんぐり%1"_s.arg(i), {}, {});
        kb->add(u"くり"_s, {}, {});
        kb->add(u"どん"_s.leftJustified(40, u' '), {}, {});
        kb->add(u"100%"_s, {}, {});
        m_store.exec(R"sql(DELETE FROM 言葉 WHERE "ID" = 2)sql");
        for (const QString &pattern : {u"どん*"_s, u"*り3"_s, u"*ぐり*"_s, u"*"_s, u"*り*"_s,
                                       u"*0%"_s, u"どん*り5"_s, u"ない*"_s}) {
            const MatchPreview preview = m_store.open()->matchPreview(pattern, 3);
            const QList<WordRow> apart = m_store.open()->listMatches(pattern);
            QVERIFY2(preview.ids, qPrintable(pattern));
            QCOMPARE(ids(*preview.ids), idsOf(apart));
            QCOMPARE(idsOf(preview.firstWords), idsOf(apart.mid(0, 3)));
            QCOMPARE(wordsOf(preview.firstWords), wordsOf(apart.mid(0, 3)));
        }

        const MatchPreview kept = kb->matchPreview(u"どん*"_s, 2);
        QCOMPARE(kb->matches(u"どん*"_s), kept.ids);
        QCOMPARE(kb->matchPreview(u"どん*"_s, 2).ids, kept.ids);
        m_store.open()->add(u"どんこ"_s, {}, {});
        const MatchPreview afresh = kb->matchPreview(u"どん*"_s, 10);
        QCOMPARE(afresh.ids->size(), kept.ids->size() + 1);
        QCOMPARE(afresh.firstWords.size(), afresh.ids->size());
        QCOMPARE(afresh.firstWords.last().word, u"どんこ"_s);
    }

    void everyEntryIsListedInIdOrderWithOrWithoutGaps()
    {
        const auto kb = m_store.open();
        for (const QString &word : {u"う"_s, u"あ"_s, u"い"_s, u"え"_s})
            kb->add(word, {}, {});
        QCOMPARE(ids(*kb->matches(u"*"_s)), (QList<qint32>{1, 2, 3, 4}));
        m_store.exec("DELETE FROM 言葉 WHERE \"ID\" = 2");
        QCOMPARE(ids(*kb->matches(u"**"_s)), (QList<qint32>{1, 3, 4}));
        QCOMPARE(kb->listMatches(u"*"_s).size(), 3);
        QCOMPARE(kb->listMatches(u"*"_s).at(1).word, u"い"_s);
        m_store.exec("DELETE FROM 言葉");
        QVERIFY(kb->matches(u"*"_s)->isEmpty());
    }

    void wordsAreReadForAnyIdsInIdOrder()
    {
        const auto kb = m_store.open();
        QList<NewEntry> entries;
        for (int i = 1; i <= 300; ++i)
            entries << NewEntry{u"言葉%1 "_s.arg(i), {}, {}};
        kb->addAll(entries);
        const std::vector<qint32> asked = {299, 5, 150, 1000, 1, 70, 71, 72, -3};
        const QList<WordRow> rows = kb->wordsOf(asked);
        QList<qint32> found;
        for (const WordRow &row : rows)
            found << row.id;
        QCOMPARE(found, (QList<qint32>{1, 5, 70, 71, 72, 150, 299}));
        QCOMPARE(rows.first().word, u"言葉1 "_s); // as stored
        std::vector<qint32> all(300);
        std::iota(all.begin(), all.end(), 1);
        QCOMPARE(kb->wordsOf(all).size(), 300); // an unbroken run, read as a range
        // As many IDs as a run from 3 to 6 has, but not that run: 5 was not asked for.
        const QList<WordRow> notARun = kb->wordsOf({3, 4, 4, 6});
        QVERIFY(std::none_of(notARun.cbegin(), notARun.cend(),
                             [](const WordRow &row) { return row.id == 5; }));
        QCOMPARE(notARun.last().id, 6);
        QVERIFY(kb->wordsOf({}).isEmpty());
    }

    // Rows written by hand, without the match column, are found like the program's own. In a
    // file the triggers mend what another writer left wrong (a server computes the column
    // itself and refuses such writes), and files from earlier versions get those triggers.
    void theMatchColumnStaysRightWhoeverWrites()
    {
        m_store.open();
        m_store.exec("INSERT INTO 言葉 (言葉, 意味) VALUES ('手で足した  ', 'x');"
                     "INSERT INTO 言葉 (言葉, 意味) VALUES ('間違い', 'y');");
        if (onFile())
            execSql(m_path, "UPDATE 言葉 SET 照合語 = 'ちがう' WHERE ID = 2");
        const auto kb = m_store.open();
        QCOMPARE(kb->findWord(u"手で足した"_s), std::optional<qint32>(1));
        QCOMPARE(kb->findWord(u"間違い"_s), std::optional<qint32>(2));
        if (onFile())
            execSql(m_path, "UPDATE 言葉 SET 照合語 = 'ずれ' WHERE ID = 2;");
        m_store.exec("UPDATE 言葉 SET 言葉 = '直した ' WHERE \"ID\" = 1;");
        QCOMPARE(kb->findWord(u"間違い"_s), std::optional<qint32>(2));
        QCOMPARE(kb->findWord(u"直した"_s), std::optional<qint32>(1));
        QCOMPARE(kb->countMatches(u"*した"_s), 1);
        QCOMPARE(kb->integrityProblems(), QStringList());
    }

    void aFileWithTheEarlierTriggersIsUpgraded()
    {
        if (!onFile())
            QSKIP("about the triggers of files from earlier versions");
        execSql(m_path, R"sql(
            CREATE TABLE 言葉 (ID INTEGER PRIMARY KEY AUTOINCREMENT, 言葉 TEXT, 意味 TEXT,
                              照合語 TEXT, リンク TEXT);
            CREATE INDEX 言葉_照合語 ON 言葉 (照合語);
            CREATE TRIGGER 言葉_追加 AFTER INSERT ON 言葉 BEGIN
                UPDATE 言葉 SET 照合語 = coalesce(rtrim(NEW.言葉, ' '), '') WHERE ID = NEW.ID;
            END;
            CREATE TRIGGER 言葉_変更 AFTER UPDATE OF 言葉 ON 言葉 BEGIN
                UPDATE 言葉 SET 照合語 = coalesce(rtrim(NEW.言葉, ' '), '') WHERE ID = NEW.ID;
            END;
            CREATE TABLE キャラクター (ID INTEGER PRIMARY KEY, キャラクター番号 INTEGER);
            INSERT INTO キャラクター VALUES (1, 2);
            INSERT INTO 言葉 (言葉, 意味) VALUES ('古い ', '前からある');)sql");
        const auto kb = m_store.open();
        QCOMPARE(kb->findWord(u"古い"_s), std::optional<qint32>(1));
        QCOMPARE(kb->characterChoice(), std::optional<qint16>(2));
        const qint32 id = kb->add(u"新しい  "_s, u"今"_s, {});
        QCOMPARE(kb->findWord(u"新しい"_s), std::optional<qint32>(id));
        QCOMPARE(sqlNumber(m_path, "SELECT count(*) FROM sqlite_schema WHERE type = 'trigger'"
                                   " AND sql LIKE '%WHEN NEW.照合語 IS NOT%'"),
                 2);
    }

    void aFailingSourceLeavesNothingAdded()
    {
        const auto kb = m_store.open();
        kb->add(u"前から"_s, {}, {});
        int handedOut = 0;
        const auto source = [&]() -> std::optional<NewEntry> {
            if (++handedOut == 1000)
                throw KbError(u"line 1000 is bad"_s);
            return NewEntry{u"行%1"_s.arg(handedOut), {}, {}};
        };
        QVERIFY_THROWS_EXCEPTION(KbError, kb->addAll(source));
        QCOMPARE(kb->countAll(), 1);
        QCOMPARE(kb->matches(u"行*"_s)->size(), 0);
    }

    void updatingAMissingEntryFails()
    {
        const auto kb = m_store.open();
        QVERIFY_THROWS_EXCEPTION(KbError, kb->update(42, u"a"_s, u"b"_s, {}));
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
        if (!onFile())
            QSKIP("about files; test_server_knowledge_base has the server's own");
        QFETCH(QByteArray, bytes);
        writeBytes(m_path, bytes);
        QVERIFY_THROWS_EXCEPTION(KbError, FileKnowledgeBase kb(m_path));
        QCOMPARE(fileBytes(m_path), bytes);
        QVERIFY(!QFile::exists(m_path + u"-wal"_s));
    }

    void anSqliteFileWithoutOurTablesIsLeftUntouched()
    {
        if (!onFile())
            QSKIP("about files; test_server_knowledge_base has the server's own");
        execSql(m_path, "CREATE TABLE 言葉 (ID INTEGER PRIMARY KEY, 言葉 TEXT); INSERT INTO 言葉 "
                        "VALUES (1, 'x');");
        const QByteArray before = fileBytes(m_path);
        QVERIFY_THROWS_EXCEPTION(KbError, FileKnowledgeBase kb(m_path));
        QCOMPARE(fileBytes(m_path), before);
    }

    void aMissingFolderOrAFolderPathFails()
    {
        if (!onFile())
            QSKIP("about files; test_server_knowledge_base has the server's own");
        const QString folder = QFileInfo(m_path).absolutePath();
        for (const QString &path : {folder + u"/no/such/dir/x.mdb"_s, folder, QString()})
            QVERIFY_THROWS_EXCEPTION(KbError, FileKnowledgeBase kb(path));
    }

    void characterChoiceIsReadAndRepaired_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<std::optional<qint16>>("expected");
        // clang-format off
        QTest::newRow("merlin") << QByteArray("UPDATE キャラクター SET キャラクター番号 = 2") << std::optional<qint16>(2);
        QTest::newRow("no row 1") << QByteArray("DELETE FROM キャラクター") << std::optional<qint16>();
        QTest::newRow("only another row") << QByteArray("UPDATE キャラクター SET \"ID\" = 7") << std::optional<qint16>();
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
        if (setup.contains('\'') && !onFile())
            QSKIP("a server's column holds integers only");
        m_store.open();
        m_store.exec(setup.constData());
        const auto kb = m_store.open();
        QCOMPARE(kb->characterChoice(), expected);
    }

    void repairingAnEmptyCharacterTableChoosesGenie()
    {
        m_store.open();
        m_store.exec("DELETE FROM キャラクター");
        const auto kb = m_store.open();
        QCOMPARE(kb->characterChoice(), std::nullopt);
        kb->repairCharacterChoice();
        QCOMPARE(kb->characterChoice(), std::optional<qint16>(1));
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
        if (setup.contains('\'') && !onFile())
            QSKIP("a server's column holds integers only");
        m_store.open();
        m_store.exec(setup.constData());
        const auto kb = m_store.open();
        QCOMPARE(chosenCharacterNumber(*kb), chosen);
        QCOMPARE(kb->characterChoice(), storedAfter);
    }

private:
    static QList<qint32> idsOf(const QList<WordRow> &rows)
    {
        QList<qint32> found;
        for (const WordRow &row : rows)
            found << row.id;
        return found;
    }
    static QStringList wordsOf(const QList<WordRow> &rows)
    {
        QStringList found;
        for (const WordRow &row : rows)
            found << row.word;
        return found;
    }
    static QList<qint32> ids(const MatchIds &matches)
    {
        QList<qint32> list;
        for (qint64 row = 0; row < matches.size(); ++row)
            list << matches.at(row);
        return list;
    }
    // For the tests of the SQLite file's own format.
    bool onFile() { return !m_store.isServer(); }

    TestStore m_store{TestStore::kindFromEnvironment()};
    QString m_path;
};

QTEST_GUILESS_MAIN(TestKnowledgeBase)
#include "test_knowledge_base.moc"

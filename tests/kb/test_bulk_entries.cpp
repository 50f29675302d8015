// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/kb_error.h"
#include "kb/knowledge_base.h"
#include "support/broken_index.h"
#include "support/kb_store.h"
#include "support/test_env.h"

#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

QStringList entryLines(KnowledgeBase &kb)
{
    QStringList seen;
    kb.forEachEntry([&](const Entry &entry) {
        seen << u"%1|%2|%3|%4"_s.arg(entry.id).arg(entry.word, entry.meaning.value_or(u"(null)"_s),
                                                   entry.link);
    });
    return seen;
}

// Hands out `entries`, then nothing.
std::function<std::optional<Entry>()> from(const QList<Entry> &entries)
{
    return [entries, next = qsizetype(0)]() mutable -> std::optional<Entry> {
        if (next == entries.size())
            return std::nullopt;
        return entries[next++];
    };
}

} // namespace

// The knowledge-base calls donguri-kb is built on: adding many entries at once, reading them
// all back, filling an empty knowledge base as a copy, and the integrity check. On the file and
// (DONGURI_TEST_STORE=server) on a server.
class TestBulkEntries : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_store.fresh(); }

    void addedEntriesComeBackInIdOrder()
    {
        const auto kb = m_store.open();
        kb->add(u"既存"_s, u"前から"_s, {});
        QList<qsizetype> progress;
        kb->addAll({{u"どんぐり  "_s, u"木の実\r\n"_s, u"a.html"_s}, {u"it's"_s, {}, {}}},
                   [&](qsizetype added) { progress << added; });
        QCOMPARE(progress, (QList<qsizetype>{1, 2}));
        QCOMPARE(
            entryLines(*kb),
            (QStringList{u"1|既存|前から|"_s, u"2|どんぐり  |木の実\r\n|a.html"_s, u"3|it's||"_s}));
        QCOMPARE(kb->findWord(u"どんぐり"_s), std::optional<qint32>(2)); // 照合語 filled as usual
    }

    // More than one batch on the server's side, in the order handed out.
    void manyEntriesKeepTheirOrder()
    {
        const auto kb = m_store.open();
        QList<NewEntry> entries;
        for (int i = 0; i < 2500; ++i)
            entries << NewEntry{u"語%1"_s.arg(i), u"意味%1"_s.arg(i), {}};
        QCOMPARE(kb->addAll(entries), 2500);
        QCOMPARE(kb->entry(1)->word, u"語0"_s);
        QCOMPARE(kb->entry(2500)->word, u"語2499"_s);
        QCOMPARE(kb->findWord(u"語1234"_s), std::optional<qint32>(1235));
    }

    void oneFailingEntryKeepsNoneOfThem()
    {
        m_store.open()->add(u"既存"_s, u"x"_s, {});
        if (m_store.isServer())
            m_store.exec(R"sql(CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$
                BEGIN IF NEW.言葉 = 'bad' THEN RAISE 'refused'; END IF; RETURN NEW; END $$;
                CREATE TRIGGER refuse BEFORE INSERT ON 言葉 FOR EACH ROW EXECUTE FUNCTION refuse();)sql");
        else
            m_store.exec("CREATE TRIGGER refuse BEFORE INSERT ON 言葉 WHEN NEW.言葉 = 'bad'"
                         " BEGIN SELECT RAISE(ABORT, 'refused'); END;");
        const auto kb = m_store.open();
        QVERIFY_THROWS_EXCEPTION(
            KbError, kb->addAll({{u"a"_s, {}, {}}, {u"bad"_s, {}, {}}, {u"c"_s, {}, {}}}));
        QCOMPARE(kb->countAll(), 1);
        // The transaction is closed again: the next write goes through on its own.
        kb->add(u"次"_s, u"y"_s, {});
        QCOMPARE(m_store.open()->countAll(), 2);
    }

    void readingAllGivesNullAsAbsentInIdOrder()
    {
        const auto kb = m_store.open();
        m_store.exec("INSERT INTO 言葉 (\"ID\", 言葉, 意味, リンク) VALUES"
                     " (7, 'b', NULL, NULL), (3, 'a', 'm', 'l')");
        QList<Entry> entries;
        kb->forEachEntry([&](const Entry &entry) { entries << entry; });
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].id, 3);
        QCOMPARE(entries[1].id, 7);
        QCOMPARE(entries[1].meaning, std::nullopt);
        QCOMPARE(entries[1].link, QString());
    }

    // Entries read one at a time; the server's reader fetches them a thousand at a time.
    void aReaderHandsOutEveryEntryOnce()
    {
        const auto kb = m_store.open();
        QList<NewEntry> entries;
        for (int i = 0; i < 2345; ++i)
            entries << NewEntry{u"w%1"_s.arg(i), {}, {}};
        kb->addAll(entries);
        int count = 0;
        qint32 last = 0;
        {
            const std::unique_ptr<EntryReader> reader = kb->readEntries();
            while (const std::optional<Entry> entry = reader->next()) {
                QVERIFY(entry->id > last);
                last = entry->id;
                ++count;
            }
            QCOMPARE(reader->next(), std::nullopt);
        }
        QCOMPARE(count, 2345);
        QCOMPARE(kb->countAll(), 2345); // the handle works again after the reader
    }

    void anEmptyKnowledgeBaseIsFilledWithTheGivenIds()
    {
        const auto kb = m_store.open();
        const QList<Entry> copied = {{3, u"三  "_s, u"さん"_s, u"3.html"_s},
                                     {7, u"七"_s, std::nullopt, {}},
                                     {8, QString(), u"空の言葉"_s, {}}};
        QList<qint64> progress;
        QCOMPARE(kb->fillEmpty(from(copied), qint16(3), [&](qint64 n) { progress << n; }), 3);
        QCOMPARE(progress, (QList<qint64>{1, 2, 3}));
        QCOMPARE(entryLines(*kb),
                 (QStringList{u"3|三  |さん|3.html"_s, u"7|七|(null)|"_s, u"8||空の言葉|"_s}));
        QCOMPARE(kb->findWord(u"三"_s), std::optional<qint32>(3));
        QCOMPARE(kb->characterChoice(), std::optional<qint16>(3));
        QCOMPARE(kb->add(u"次"_s, u"後から"_s, {}), 9); // after the highest copied ID
    }

    void fillingWithoutACharacterChoiceLeavesNone()
    {
        const auto kb = m_store.open();
        kb->fillEmpty(from({{1, u"a"_s, u"b"_s, {}}}), std::nullopt);
        QCOMPARE(kb->characterChoice(), std::nullopt);
        QCOMPARE(chosenCharacterNumber(*kb), 1); // start-up then chooses Genie, as before
    }

    void aKnowledgeBaseWithEntriesIsNotFilled()
    {
        const auto kb = m_store.open();
        kb->add(u"前から"_s, u"ある"_s, {});
        QVERIFY_THROWS_EXCEPTION(KbError, kb->fillEmpty(from({{5, u"x"_s, u"y"_s, {}}}), 2));
        QCOMPARE(entryLines(*kb), QStringList{u"1|前から|ある|"_s});
        QCOMPARE(kb->characterChoice(), std::optional<qint16>(1));
    }

    void aFailingFillKeepsNothing()
    {
        const auto kb = m_store.open();
        int handedOut = 0;
        const auto source = [&]() -> std::optional<Entry> {
            if (++handedOut == 1500)
                throw KbError(u"the source broke off"_s);
            return Entry{handedOut, u"w"_s, u"m"_s, {}};
        };
        QVERIFY_THROWS_EXCEPTION(KbError, kb->fillEmpty(source, 2));
        QCOMPARE(kb->countAll(), 0);
        QCOMPARE(kb->characterChoice(), std::optional<qint16>(1));
        QCOMPARE(kb->add(u"a"_s, u"b"_s, {}), 1);
    }

    void integrityProblemsAreListed()
    {
        m_store.open()->add(u"空白つき "_s, u"x"_s, {});
        QCOMPARE(m_store.open()->integrityProblems(), QStringList());
        if (m_store.isServer())
            m_store.exec("DROP INDEX 言葉_照合語");
        else
            breakWordIndex(m_store.location());
        const QStringList problems = m_store.open()->integrityProblems();
        QVERIFY2(!problems.isEmpty() && problems.first().contains(u"言葉_照合語"_s),
                 qPrintable(problems.join(u'\n')));
    }

private:
    TestStore m_store{TestStore::kindFromEnvironment()};
};

QTEST_GUILESS_MAIN(TestBulkEntries)
#include "test_bulk_entries.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What only a knowledge base on a PostgreSQL server has: tables made in one go, made again after
// an administrator dropped them, tables of these names that are something else, roles that may
// only read, text it cannot hold, the indexes questions go through, passwords, how crowded the
// server is, and a server that goes away and comes back.
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/open_knowledge_base.h"
#include "kb/server_knowledge_base.h"
#include "support/pg_cluster.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <future>
#include <libpq-fe.h>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

// The backend process serving the program's connections to `database`.
QList<int> backendsOf(TestCluster &cluster, const QString &database)
{
    const QString pids = cluster.value(
        u"postgres"_s, u"SELECT string_agg(pid::text, ',') FROM pg_stat_activity"
                       " WHERE application_name = 'donguri' AND datname = '%1'"_s.arg(database));
    QList<int> found;
    for (const QString &pid : pids.split(u',', Qt::SkipEmptyParts))
        found << pid.toInt();
    return found;
}

// A session of its own on the server, as another program or psql has, for writes left
// uncommitted while the program works.
class OtherSession
{
public:
    explicit OtherSession(const QString &uri) : m_conn(PQconnectdb(uri.toUtf8().constData())) {}
    ~OtherSession() { PQfinish(m_conn); }
    OtherSession(const OtherSession &) = delete;
    OtherSession &operator=(const OtherSession &) = delete;

    bool exec(const char *sql)
    {
        PGresult *result = PQexec(m_conn, sql);
        const ExecStatusType status = PQresultStatus(result);
        PQclear(result);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }

private:
    PGconn *m_conn;
};

// The table and trigger of the change count as knowledge bases made before kept it: one row
// that every writing statement counted up.
const char *const OldChangeCount = R"sql(
DROP TRIGGER "言葉_変更" ON "言葉";
DROP VIEW "言葉_変更回数";
DROP TABLE "言葉_変更";
CREATE TABLE "言葉_変更回数" ("回数" bigint NOT NULL);
INSERT INTO "言葉_変更回数" VALUES (7);
CREATE OR REPLACE FUNCTION "言葉_変更を数える"() RETURNS trigger LANGUAGE plpgsql
    SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
    UPDATE "言葉_変更回数" SET "回数" = "回数" + 1;
    RETURN NULL;
END $$;
CREATE TRIGGER "言葉_変更" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "言葉"
    FOR EACH STATEMENT EXECUTE FUNCTION "言葉_変更を数える"();
)sql";

} // namespace

class TestServerKnowledgeBase : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        QVERIFY2(cluster().isRunning() || cluster().start(), qPrintable(cluster().problem()));
        m_uri = cluster().newDatabase();
        m_database = databaseOf(m_uri);
    }

    void theTablesAreMadeOnFirstUseWithTheirIndexes()
    {
        ServerKnowledgeBase kb(m_uri);
        QCOMPARE(kb.countAll(), 0);
        QCOMPARE(kb.characterChoice(), std::optional<qint16>(1));
        QVERIFY(kb.hasTrigramIndex());
        QCOMPARE(indexesOfTheWords(), AllIndexes);
        QCOMPARE(value(u"SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute"
                       " WHERE attrelid = '\"言葉\"'::regclass AND attnum > 0"_s),
                 u"ID,言葉,意味,照合語,リンク"_s);
        QCOMPARE(kb.integrityProblems(), QStringList());
    }

    // An administrator drops what he sees, the way DROP ... CASCADE does: the functions, and
    // any table he did not name, stay behind. The next opening makes the rest and keeps what was
    // left; every write is counted again, and the count never goes back.
    void whatAnAdministratorDroppedIsMadeAgain_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("drop");
        QTest::addColumn<bool>("wordsKept");
        QTest::addColumn<int>("choice");
        QTest::newRow("every table, the functions left")
            << QString() << u"DROP TABLE 言葉, キャラクター, 言葉_変更 CASCADE"_s << false << 1;
        QTest::newRow("the two tables")
            << QString() << u"DROP TABLE 言葉, キャラクター CASCADE"_s << false << 1;
        QTest::newRow("the words' table")
            << QString() << u"DROP TABLE 言葉 CASCADE"_s << false << 3;
        QTest::newRow("the character table")
            << QString() << u"DROP TABLE キャラクター"_s << true << 1;
        QTest::newRow("the change count's table")
            << QString() << u"DROP TABLE 言葉_変更 CASCADE"_s << true << 3;
        QTest::newRow("the change count's view")
            << QString() << u"DROP VIEW 言葉_変更回数"_s << true << 3;
        QTest::newRow("the counting function and its trigger")
            << QString() << u"DROP FUNCTION 言葉_変更を数える() CASCADE"_s << true << 3;
        QTest::newRow("nothing") << QString() << QString() << true << 3;
        QTest::newRow("the two tables of a knowledge base made before")
            << QString::fromUtf8(OldChangeCount) << u"DROP TABLE 言葉, キャラクター CASCADE"_s
            << false << 1;
    }
    void whatAnAdministratorDroppedIsMadeAgain()
    {
        QFETCH(QString, before);
        QFETCH(QString, drop);
        QFETCH(bool, wordsKept);
        QFETCH(int, choice);
        ServerKnowledgeBase(m_uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY(cluster().exec(m_database, u"UPDATE キャラクター SET キャラクター番号 = 3"_s));
        if (!before.isEmpty())
            QVERIFY2(cluster().exec(m_database, before), qPrintable(cluster().problem()));
        const qint64 countBefore = value(u"SELECT 回数 FROM 言葉_変更回数"_s).toLongLong();
        QVERIFY(countBefore > 0);
        if (!drop.isEmpty())
            QVERIFY2(cluster().exec(m_database, drop), qPrintable(cluster().problem()));

        ServerKnowledgeBase kb(m_uri);
        QCOMPARE(kb.countAll(), wordsKept ? 1 : 0);
        QCOMPARE(kb.characterChoice(), std::optional<qint16>(choice));
        const qint32 id = kb.add(u"どんぐりこ"_s, u"木の実の子"_s, {});
        QCOMPARE(kb.findWord(u"どんぐりこ"_s), std::optional<qint32>(id));
        QCOMPARE(kb.countMatches(u"*ぐり*"_s), wordsKept ? 2 : 1);
        QVERIFY(kb.hasTrigramIndex());
        QCOMPARE(indexesOfTheWords(), AllIndexes);
        QCOMPARE(kb.integrityProblems(), QStringList());

        const auto kept = kb.matches(u"どん*"_s);
        QCOMPARE(kb.matches(u"どん*"_s), kept); // reused: the count is there to read
        QVERIFY(cluster().exec(m_database, u"INSERT INTO 言葉 (言葉) VALUES ('どんこ')"_s));
        QCOMPARE(kb.matches(u"どん*"_s)->size(), kept->size() + 1);
        QVERIFY(value(u"SELECT 回数 FROM 言葉_変更回数"_s).toLongLong() > countBefore);
    }

    // A program holding a pattern's matches from before the drop: the words made anew under the
    // same pattern are found, never the old matches taken for theirs.
    void matchesHeldFromBeforeADropAreNotReused()
    {
        ServerKnowledgeBase held(m_uri);
        held.add(u"どんぐり"_s, u"木の実"_s, {});
        QCOMPARE(held.matches(u"ど*"_s)->size(), 1);
        QVERIFY(cluster().exec(m_database, u"DROP TABLE 言葉, キャラクター, 言葉_変更 CASCADE"_s));
        ServerKnowledgeBase(m_uri).addAll({{u"どら"_s, u"1"_s, {}}, {u"どんこ"_s, u"2"_s, {}}});
        QCOMPARE(held.matches(u"ど*"_s)->size(), 2);
    }

    // Programs starting at once on what a drop left: each waits for the one before to finish
    // making the parts, then finds them made.
    void programsMakingThePartsAgainAtOnceAllOpen()
    {
        ServerKnowledgeBase(m_uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY(cluster().exec(m_database, u"DROP TABLE 言葉, キャラクター, 言葉_変更 CASCADE"_s));
        // The lock an opening takes before it makes anything, held until every opening waits.
        OtherSession holder(m_uri);
        QVERIFY(holder.exec("BEGIN"));
        QVERIFY(holder.exec("SELECT pg_advisory_xact_lock(hashtext('donguri knowledge base'))"));
        const auto opening = [uri = m_uri](const QString &word) {
            return std::async(std::launch::async, [uri, word]() -> QString {
                try {
                    ServerKnowledgeBase(uri, OpenOptions{true, true}).add(word, {}, {});
                    return {};
                } catch (const KbError &error) {
                    return error.message();
                }
            });
        };
        std::vector<std::future<QString>> openings;
        for (const QString &word : {u"一"_s, u"二"_s, u"三"_s})
            openings.push_back(opening(word));
        QTRY_COMPARE(value(u"SELECT count(*) FROM pg_locks"
                           " WHERE locktype = 'advisory' AND NOT granted"_s),
                     u"3"_s);
        QVERIFY(holder.exec("COMMIT"));
        for (std::future<QString> &opened : openings)
            QCOMPARE(opened.get(), QString());
        QCOMPARE(value(u"SELECT string_agg(言葉, ',' ORDER BY 言葉) FROM 言葉"_s), u"一,三,二"_s);
        QCOMPARE(value(u"SELECT count(*) FROM キャラクター"_s), u"1"_s);
        QCOMPARE(indexesOfTheWords(), AllIndexes);
    }

    // A role granted the two tables alone cannot make a dropped change count again: it answers
    // all the same, reading patterns afresh, and says why once.
    void aRoleThatMayNotMakeTheMissingPartsStillAnswers()
    {
        ServerKnowledgeBase(m_uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY(roleWith(u"gast"_s, u"GRANT SELECT ON 言葉, キャラクター TO gast"_s));
        QVERIFY(cluster().exec(m_database, u"DROP VIEW 言葉_変更回数"_s));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"cannot make the missing parts.*"_s));
        ServerKnowledgeBase kb(cluster().uri(m_database, u"gast"_s));
        QCOMPARE(kb.countMatches(u"ど*"_s), 1);
        QCOMPARE(value(u"SELECT count(*) FROM pg_class WHERE relname = '言葉_変更回数'"_s), u"0"_s);
    }

    void tablesOfTheseNamesThatAreSomethingElseAreLeftAlone()
    {
        QVERIFY(cluster().exec(m_database, u"CREATE TABLE 言葉 (\"ID\" int, 言葉 text);"
                                           " INSERT INTO 言葉 VALUES (1, 'x')"_s));
        QVERIFY_THROWS_EXCEPTION(KbError, ServerKnowledgeBase kb(m_uri));
        QCOMPARE(value(u"SELECT count(*) FROM pg_class WHERE relname = 'キャラクター'"_s), u"0"_s);
        QCOMPARE(value(u"SELECT string_agg(言葉, ',') FROM 言葉"_s), u"x"_s);
    }

    void readingCommandsDoNotCreateTables()
    {
        OpenOptions reading;
        reading.create = false;
        QVERIFY_THROWS_EXCEPTION(KbError, openKnowledgeBase(m_uri, reading));
        QCOMPARE(value(u"SELECT count(*) FROM pg_class WHERE relname = '言葉'"_s), u"0"_s);
    }

    // A large addition has its pages marked visible to every reader and its figures counted
    // before the call returns, so that questions need not read the table rows of what it
    // added; a small one, or one small beside what is stored, is left to the server's own
    // vacuum. A role that may add entries but not vacuum still adds them.
    void aLargeAdditionIsVacuumedBeforeItReturns()
    {
        const auto entries = [](int count) {
            QList<NewEntry> made;
            for (int i = 0; i < count; ++i)
                made.append({u"語%1"_s.arg(i), u"意味"_s, {}});
            return made;
        };
        // Pages can be marked only once the additions' commits are on disk, which the test
        // cluster does not wait for unless told to, as a server by default does.
        QVERIFY(cluster().exec(m_database,
                               u"ALTER DATABASE %1 SET synchronous_commit = on"_s.arg(m_database)));
        ServerKnowledgeBase kb(m_uri, OpenOptions{true, true});
        QCOMPARE(kb.addAll(entries(1500)), 1500);
        QCOMPARE(vacuums(), 1);
        QVERIFY(everyPageMarkedVisible());
        QVERIFY(!value(u"SELECT last_analyze FROM pg_stat_user_tables WHERE relname = '言葉'"_s)
                     .isEmpty());

        QCOMPARE(kb.addAll(entries(999)), 999);
        QCOMPARE(vacuums(), 1);
        QVERIFY(cluster().exec(m_database, u"INSERT INTO 言葉 (言葉) SELECT 'x' || g"
                                           " FROM generate_series(1, 20000) AS g; ANALYZE 言葉"_s));
        QCOMPARE(kb.addAll(entries(2000)), 2000);
        QCOMPARE(vacuums(), 1);

        const QString copy = cluster().newDatabase();
        ServerKnowledgeBase copied(copy, OpenOptions{true, true});
        QList<Entry> source;
        for (int id = 1; id <= 1200; ++id)
            source.append({id, u"語%1"_s.arg(id), u"意味"_s, {}});
        QCOMPARE(copied.fillEmpty(
                     [&]() -> std::optional<Entry> {
                         return source.isEmpty() ? std::nullopt : std::optional(source.takeFirst());
                     },
                     std::nullopt),
                 1200);
        QCOMPARE(cluster().value(databaseOf(copy), u"SELECT vacuum_count FROM pg_stat_user_tables"
                                                   " WHERE relname = '言葉'"_s),
                 u"1"_s);

        QVERIFY(roleWith(u"schreiber"_s,
                         u"GRANT SELECT, INSERT ON 言葉, キャラクター TO schreiber;"
                         "GRANT SELECT ON 言葉_変更回数 TO schreiber;"
                         "GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO schreiber"_s));
        ServerKnowledgeBase writer(cluster().uri(m_database, u"schreiber"_s),
                                   OpenOptions{false, true});
        QCOMPARE(writer.addAll(entries(3000)), 3000);
        QCOMPARE(vacuums(), 1);
        QCOMPARE(writer.countAll(), 1500 + 999 + 20000 + 2000 + 3000);
    }

    // A role that may only read answers every question, and each write fails with the
    // server's refusal instead of seeming to succeed.
    void aRoleThatMayOnlyReadAnswersAndRefusesWrites()
    {
        ServerKnowledgeBase(m_uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY(
            roleWith(u"leser"_s, u"GRANT SELECT ON 言葉, キャラクター, 言葉_変更回数 TO leser"_s));
        ServerKnowledgeBase kb(cluster().uri(m_database, u"leser"_s));
        QCOMPARE(kb.findWord(u"どんぐり"_s), std::optional<qint32>(1));
        QCOMPARE(kb.countMatches(u"*ぐ*"_s), 1);
        QCOMPARE(chosenCharacterNumber(kb), 1);
        try {
            kb.add(u"新しい"_s, u"言葉"_s, {});
            QFAIL("a role that may only read added an entry");
        } catch (const KbError &error) {
            QVERIFY2(error.message().contains(u"permission denied"_s), qPrintable(error.message()));
        }
        QVERIFY_THROWS_EXCEPTION(KbError, kb.update(1, u"x"_s, u"y"_s, {}));
        QVERIFY_THROWS_EXCEPTION(KbError, kb.addAll({{u"a"_s, u"b"_s, {}}}));
        QCOMPARE(kb.countAll(), 1);
        QCOMPARE(kb.entry(1)->word, u"どんぐり"_s);
    }

    // An administrator who grants the two tables alone: questions still work, patterns are
    // simply read afresh each time.
    void aRoleGrantedOnlyTheTwoTablesAnswersPatterns()
    {
        ServerKnowledgeBase(m_uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY(roleWith(u"gast"_s, u"GRANT SELECT ON 言葉, キャラクター TO gast"_s));
        ServerKnowledgeBase kb(cluster().uri(m_database, u"gast"_s));
        QCOMPARE(kb.countMatches(u"ど*"_s), 1);
        QCOMPARE(kb.listMatches(u"*り"_s).size(), 1);
        QCOMPARE(kb.countMatches(u"*"_s), 1);
        ServerKnowledgeBase(m_uri).add(u"どんこ"_s, u"魚"_s, {});
        QCOMPARE(kb.countMatches(u"ど*"_s), 2);
    }

    // An opening counts the server's connections, other roles' too, whose type only a
    // superuser may see, against those left to roles without superuser rights. A role denied
    // pg_stat_activity opens and answers all the same, with nothing to say about them.
    void anOpeningCountsTheServersConnections()
    {
        ServerKnowledgeBase(m_uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY(roleWith(u"gast"_s, u"GRANT SELECT ON 言葉, キャラクター TO gast"_s));
        const QString ordinary = cluster().uri(m_database, u"gast"_s);
        std::vector<std::unique_ptr<OtherSession>> crowd;
        for (int i = 0; i < 5; ++i) {
            crowd.push_back(std::make_unique<OtherSession>(m_uri));
            QVERIFY(crowd.back()->exec("SELECT 1"));
        }
        const int allowed = TestCluster::Setup{}.maxConnections - 3; // 3 kept for superusers
        for (const QString &uri : {m_uri, ordinary}) {
            const auto connections = ServerKnowledgeBase(uri).serverConnectionsWhenOpened();
            QVERIFY(connections);
            QCOMPARE(connections->allowed, allowed);
            // The five above and the handle's own (a closed one may linger for a moment), not
            // the server's own five background processes.
            QVERIFY2(connections->taken >= 6 && connections->taken <= 9,
                     qPrintable(QString::number(connections->taken)));
        }

        QVERIFY(cluster().exec(m_database, u"REVOKE SELECT ON pg_stat_activity FROM PUBLIC"_s));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"cannot count the server's connections:.*"
                                                "permission denied"_s));
        ServerKnowledgeBase denied(ordinary);
        QVERIFY(!denied.serverConnectionsWhenOpened());
        QCOMPARE(denied.findWord(u"どんぐり"_s), std::optional<qint32>(1));
    }

    void textHoldingNulIsRefusedAndFindsNothing()
    {
        ServerKnowledgeBase kb(m_uri);
        const QString nul(QChar(u'\0'));
        const qint32 id = kb.add(u"a"_s, u"b"_s, {});
        for (const auto &[word, meaning, link] :
             {std::tuple(u"a"_s + nul, u"m"_s, QString()), std::tuple(u"w"_s, nul, QString()),
              std::tuple(u"w"_s, u"m"_s, u"x"_s + nul)}) {
            try {
                kb.add(word, meaning, link);
                QFAIL("text holding U+0000 was added");
            } catch (const KbError &error) {
                QVERIFY2(error.message().contains(u"U+0000"_s), qPrintable(error.message()));
            }
            QVERIFY_THROWS_EXCEPTION(KbError, kb.update(id, word, meaning, link));
            QVERIFY_THROWS_EXCEPTION(KbError, kb.addAll({{word, meaning, link}}));
        }
        QCOMPARE(kb.countAll(), 1);
        QCOMPARE(kb.entry(id)->word, u"a"_s);
        QCOMPARE(kb.findWord(u"a"_s + nul), std::nullopt);
        QCOMPARE(kb.countMatches(u"a"_s + nul + u"*"_s), 0);
        QCOMPARE(kb.countMatches(u"*"_s + nul), 0);
    }

    // Each shape of question is answered through an index, not by reading every entry. With
    // sequential scans ruled out, a plan without the index means the query cannot use it.
    void everyShapeOfQuestionGoesThroughAnIndex_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("index");
        QTest::newRow("exact") << u"どんぐり"_s << u"言葉_照合語"_s;
        QTest::newRow("prefix") << u"どん*"_s << u"言葉_照合語"_s;
        QTest::newRow("numeric prefix") << u"10*"_s << u"言葉_照合語"_s;
        QTest::newRow("prefix with wildcard characters") << u"5%_*"_s << u"言葉_照合語"_s;
        QTest::newRow("prefix and more") << u"ど*り"_s << u"言葉_照合語"_s;
        QTest::newRow("suffix") << u"*ん"_s << u"言葉_逆照合語"_s;
        QTest::newRow("suffix of two") << u"*ぐり"_s << u"言葉_逆照合語"_s;
        QTest::newRow("infix") << u"*ぐり*"_s << u"言葉_二重照合語"_s;
        QTest::newRow("pieces") << u"*どん*り"_s << u"言葉_二重照合語"_s;
        QTest::newRow("infix of three") << u"*どんぐ*"_s << u"言葉_二重照合語"_s;
    }
    void everyShapeOfQuestionGoesThroughAnIndex()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, index);
        ServerKnowledgeBase kb(m_uri);
        QVERIFY(kb.hasTrigramIndex());
        const ServerKnowledgeBase::Query query = ServerKnowledgeBase::patternQuery(pattern, true);
        PGconn *conn = PQconnectdb(m_uri.toUtf8().constData());
        PQclear(PQexec(conn, "SET enable_seqscan = off"));
        QList<const char *> values;
        for (const QByteArray &value : query.values)
            values << value.constData();
        PGresult *plan =
            PQexecParams(conn, (QByteArray("EXPLAIN ") + query.sql).constData(), int(values.size()),
                         nullptr, values.constData(), nullptr, nullptr, 0);
        QString lines;
        for (int row = 0; row < PQntuples(plan); ++row)
            lines += QString::fromUtf8(PQgetvalue(plan, row, 0)) + u'\n';
        PQclear(plan);
        PQfinish(conn);
        QVERIFY2(lines.contains(u"Index"_s) && lines.contains(index), qPrintable(lines));
        QVERIFY2(!lines.contains(u"Seq Scan"_s), qPrintable(lines));
    }

    // Anyone's write (another program, a hand edit) makes the next question look again.
    void aPatternIsReadAgainAfterAnyonesWrite()
    {
        ServerKnowledgeBase kb(m_uri);
        kb.add(u"どんぐり"_s, u"1"_s, {});
        const auto first = kb.matches(u"ど*"_s);
        QCOMPARE(kb.matches(u"ど*"_s), first);
        QVERIFY(cluster().exec(m_database, u"INSERT INTO 言葉 (言葉) VALUES ('どんこ')"_s));
        QCOMPARE(kb.matches(u"ど*"_s)->size(), 2);
        QVERIFY(cluster().exec(m_database, u"UPDATE 言葉 SET 言葉 = 'くり' WHERE \"ID\" = 1"_s));
        QCOMPARE(kb.matches(u"ど*"_s)->size(), 1);
        QVERIFY(cluster().exec(m_database, u"TRUNCATE 言葉"_s));
        QCOMPARE(kb.matches(u"ど*"_s)->size(), 0);
    }

    // Writers never wait for each other: a teach goes through while an import (another
    // program's transaction) is still at work, and the counts of both are seen, each when it
    // commits. The reply patience the windows use (1.5 s) fails a write that waits.
    void writersDoNotWaitForEachOtherAndEveryCommitIsSeen()
    {
        ServerKnowledgeBase kb(m_uri);
        kb.add(u"どんぐり"_s, u"1"_s, {});
        QCOMPARE(kb.matches(u"ど*"_s)->size(), 1);
        OtherSession import(m_uri);
        QVERIFY(import.exec("BEGIN"));
        QVERIFY(import.exec("INSERT INTO 言葉 (言葉) VALUES ('どんこ')"));
        QVERIFY(import.exec("INSERT INTO 言葉 (言葉) VALUES ('どじょう')"));

        ServerKnowledgeBase other(m_uri);
        other.add(u"どんぶり"_s, u"2"_s, {});
        other.update(1, u"どんぐり"_s, u"木の実"_s, {});
        QCOMPARE(kb.matches(u"ど*"_s)->size(), 2);
        QVERIFY(import.exec("COMMIT"));
        QCOMPARE(kb.matches(u"ど*"_s)->size(), 4);

        // A writer at a stricter isolation level is counted as well.
        OtherSession strict(m_uri);
        QVERIFY(strict.exec("BEGIN ISOLATION LEVEL REPEATABLE READ"));
        QVERIFY(strict.exec("DELETE FROM 言葉 WHERE 言葉 = 'どじょう'"));
        other.add(u"どら"_s, u"3"_s, {});
        QVERIFY(strict.exec("COMMIT"));
        QCOMPARE(kb.matches(u"ど*"_s)->size(), 4);
        QCOMPARE(kb.listMatches(u"ど*"_s).last().word, u"どら"_s);
        // Each writer takes over the rows of those before, so the count stays a few rows long.
        for (int i = 0; i < 20; ++i)
            other.add(u"ど%1"_s.arg(i), {}, {});
        QVERIFY(value(u"SELECT count(*) FROM 言葉_変更"_s).toInt() <= 2);
        QCOMPARE(kb.matches(u"ど*"_s)->size(), 24);
        QCOMPARE(kb.integrityProblems(), QStringList());
    }

    // A knowledge base made before, its count in one row: the first start upgrades it in
    // place, carrying the count over (so matches kept by programs still running stay right)
    // and a read-only role's grant with it.
    void anOldChangeCountIsUpgradedInPlace()
    {
        ServerKnowledgeBase(m_uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY2(cluster().exec(m_database, QString::fromUtf8(OldChangeCount)),
                 qPrintable(cluster().problem()));
        QVERIFY(
            roleWith(u"leser"_s, u"GRANT SELECT ON 言葉, キャラクター, 言葉_変更回数 TO leser"_s));
        // A program of the old kind in the middle of an import holds the row: the upgrade is
        // left for later rather than holding everyone up, and the knowledge base still works.
        {
            OtherSession import(m_uri);
            QVERIFY(import.exec("BEGIN"));
            QVERIFY(import.exec("INSERT INTO 言葉 (言葉) VALUES ('どんこ')"));
            ServerKnowledgeBase kb(m_uri);
            QCOMPARE(kb.countMatches(u"ど*"_s), 1);
            QCOMPARE(value(u"SELECT relkind FROM pg_class WHERE relname = '言葉_変更回数'"_s),
                     u"r"_s);
            QVERIFY(import.exec("COMMIT"));
        }
        QCOMPARE(value(u"SELECT 回数 FROM 言葉_変更回数"_s), u"8"_s);

        ServerKnowledgeBase kb(m_uri);
        QCOMPARE(value(u"SELECT relkind FROM pg_class WHERE relname = '言葉_変更回数'"_s), u"v"_s);
        QCOMPARE(value(u"SELECT 回数 FROM 言葉_変更回数"_s), u"8"_s);
        kb.add(u"どら"_s, {}, {});
        QCOMPARE(value(u"SELECT 回数 FROM 言葉_変更回数"_s), u"9"_s);
        QCOMPARE(kb.integrityProblems(), QStringList());

        ServerKnowledgeBase reader(cluster().uri(m_database, u"leser"_s));
        const auto kept = reader.matches(u"ど*"_s);
        QCOMPARE(kept->size(), 3);
        QCOMPARE(reader.matches(u"ど*"_s), kept); // reused: the reader can read the count
        kb.add(u"どじょう"_s, {}, {});
        QCOMPARE(reader.matches(u"ど*"_s)->size(), 4);
    }

    void passwordsNeverAppearInMessages_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password, in the user part")
            << u"postgresql://kagi:falsch-geheim@/%1?host=%2"_s << u"falsch-geheim"_s;
        QTest::newRow("wrong password, as a parameter")
            << u"postgresql:///%1?host=%2&user=kagi&password=p%40ss-wort"_s << u"p@ss-wort"_s;
        QTest::newRow("no server at that socket")
            << u"postgres://donguri:secret-123@/%1?host=%2/nowhere"_s << u"secret-123"_s;
    }
    void passwordsNeverAppearInMessages()
    {
        QFETCH(QString, uri);
        QFETCH(QString, password);
        const QString location = uri.arg(m_database, cluster().socketDirectory());
        try {
            ServerKnowledgeBase kb(location);
            QFAIL("connected with a wrong password or to no server");
        } catch (const KbError &error) {
            QVERIFY2(!error.message().contains(password), qPrintable(error.message()));
            QVERIFY2(
                !error.message().contains(QString::fromUtf8(QUrl::toPercentEncoding(password))),
                qPrintable(error.message()));
            QVERIFY2(error.message().contains(u"***"_s), qPrintable(error.message()));
        }
        QVERIFY(!displayedLocation(location).contains(password));
    }

    // The client library's own ways to give a password work, so donguri.ini need not hold one.
    void aPasswordFromPgpassIsUsed()
    {
        ServerKnowledgeBase(m_uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY(cluster().exec(m_database, u"GRANT SELECT ON 言葉, キャラクター, 言葉_変更回数"
                                           " TO kagi"_s));
        const QString uri = cluster().uri(m_database, u"kagi"_s);
        QVERIFY_THROWS_EXCEPTION(KbError, ServerKnowledgeBase kb(uri)); // no password given
        QTemporaryDir home;
        const QString passfile = home.filePath(u"pgpass"_s);
        QFile file(passfile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("*:*:*:kagi:" + QByteArray(TestCluster::Password) + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", passfile.toUtf8());
        try {
            ServerKnowledgeBase kb(uri);
            QCOMPARE(kb.findWord(u"どんぐり"_s), std::optional<qint32>(1));
        } catch (const KbError &error) {
            qunsetenv("PGPASSFILE");
            QFAIL(qPrintable(error.message()));
        }
        qunsetenv("PGPASSFILE");
    }

    // A host that takes the connection and never answers costs at most the time allowed; the
    // windows' question bar is never held longer than two seconds.
    void aServerThatNeverAnswersFailsWithinTheTimeAllowed()
    {
        const SilentHost silent;
        const QString uri = silent.uri();
        QElapsedTimer timer;
        timer.start();
        QVERIFY_THROWS_EXCEPTION(KbError, openKnowledgeBase(uri));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        timer.restart();
        QVERIFY_THROWS_EXCEPTION(KbError, openKnowledgeBase(uri)); // and again at the next question
        QVERIFY2(timer.elapsed() < 2000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
    }

    // A restart between two questions: the next question simply works.
    void aRestartBetweenQuestionsCostsNothing()
    {
        const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(m_uri);
        kb->add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY2(cluster().stop() && cluster().start(), qPrintable(cluster().problem()));
        QCOMPARE(kb->findWord(u"どんぐり"_s), std::optional<qint32>(1));
        QCOMPARE(kb->add(u"くり"_s, u"栗"_s, {}), 2);
    }

    // While the server is down every call fails quickly; when it is back the same handle
    // answers again, without opening anything anew.
    void aServerDownForAWhileIsUsedAgainWhenItIsBack()
    {
        const std::unique_ptr<KnowledgeBase> handle = openKnowledgeBase(m_uri);
        KnowledgeBase &kb = *handle;
        kb.add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY2(cluster().stop(), qPrintable(cluster().problem()));
        QElapsedTimer timer;
        timer.start();
        QVERIFY_THROWS_EXCEPTION(KbError, kb.findWord(u"どんぐり"_s));
        QVERIFY_THROWS_EXCEPTION(KbError, kb.add(u"くり"_s, u"栗"_s, {}));
        QVERIFY_THROWS_EXCEPTION(KbError, kb.countMatches(u"ど*"_s));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        QVERIFY2(cluster().start(), qPrintable(cluster().problem()));
        QCOMPARE(kb.findWord(u"どんぐり"_s), std::optional<qint32>(1));
        QCOMPARE(kb.countAll(), 1);
    }

    // The server stops answering while a write waits for its commit: the write fails, says
    // that it may have been stored, and is not sent again. It is there at most once.
    void aWriteWhoseCommitIsNotConfirmedFailsAndIsNotSentAgain()
    {
        ServerKnowledgeBase kb(m_uri);
        kb.add(u"前から"_s, u"ある"_s, {});
        const QList<int> backends = backendsOf(cluster(), m_database);
        QCOMPARE(backends.size(), 1);
        ::kill(backends.first(), SIGSTOP);
        QElapsedTimer timer;
        timer.start();
        try {
            kb.add(u"途中"_s, u"返事なし"_s, {});
            ::kill(backends.first(), SIGCONT);
            QFAIL("a write the server never confirmed was taken as done");
        } catch (const KbError &error) {
            ::kill(backends.first(), SIGCONT);
            QVERIFY2(error.message().contains(u"may or may not be stored"_s),
                     qPrintable(error.message()));
        }
        QVERIFY2(timer.elapsed() < 2000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        // The next call works on a new connection; the write is there once or not at all.
        QVERIFY(QTest::qWaitFor([&] { return backendsOf(cluster(), m_database).size() <= 1; }));
        const qint64 stored = kb.countMatches(u"途中"_s);
        QVERIFY2(stored <= 1, qPrintable(u"stored %1 times"_s.arg(stored)));
        QCOMPARE(kb.findWord(u"前から"_s), std::optional<qint32>(1));
    }

private:
    static TestCluster &cluster()
    {
        static TestCluster own;
        return own;
    }
    QString value(const QString &sql) { return cluster().value(m_database, sql); }
    static constexpr QStringView AllIndexes =
        u"言葉_pkey,言葉_二重照合語,言葉_照合語,言葉_逆照合語,言葉_長い照合語";
    QString indexesOfTheWords()
    {
        return value(u"SELECT string_agg(indexname, ',' ORDER BY indexname) FROM pg_indexes"
                     " WHERE tablename = '言葉'"_s);
    }
    // A login role of that name, made unless an earlier test made it, then given `grants`.
    bool roleWith(const QString &role, const QString &grants)
    {
        return cluster().exec(
            m_database, u"DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname ="
                        " '%1') THEN CREATE ROLE %1 LOGIN; END IF; END $$; %2"_s.arg(role, grants));
    }
    int vacuums()
    {
        return value(u"SELECT vacuum_count FROM pg_stat_user_tables WHERE relname = '言葉'"_s)
            .toInt();
    }
    bool everyPageMarkedVisible()
    {
        return value(u"SELECT relallvisible = relpages AND relpages > 0 FROM pg_class"
                     " WHERE relname = '言葉'"_s)
               == u"t"_s;
    }

    QString m_uri;
    QString m_database;
};

QTEST_GUILESS_MAIN(TestServerKnowledgeBase)
#include "test_server_knowledge_base.moc"

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A knowledge base reached through PgBouncer pooling by transaction, as an office with many
// desktops runs it: consecutive transactions of one program land on different server
// connections, so nothing may rest on a session (prepared statements, SET, LISTEN, session
// locks, temporary tables). And the connections that go away: the pool restarting, the server
// restarting behind it, the server closing a connection left idle.
#include "kb/kb_error.h"
#include "kb/server_knowledge_base.h"
#include "support/pg_bouncer.h"
#include "support/pg_cluster.h"

#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

QList<NewEntry> numberedEntries(int count)
{
    QList<NewEntry> entries;
    for (int i = 1; i <= count; ++i)
        entries.append({u"かず%1"_s.arg(i), u"%1番目"_s.arg(i), {}});
    return entries;
}

} // namespace

class TestServerPool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_cluster.start(), qPrintable(m_cluster.problem()));
        // Two server connections for several programs: their transactions take turns on them.
        m_bouncer = std::make_unique<TestBouncer>(m_cluster, TestBouncer::Setup{2, 100});
        QVERIFY2(m_bouncer->start(), qPrintable(m_bouncer->problem()));
    }

    void init()
    {
        QVERIFY2(m_cluster.isRunning() || m_cluster.start(), qPrintable(m_cluster.problem()));
        QVERIFY2(m_bouncer->isRunning() || m_bouncer->start(), qPrintable(m_bouncer->problem()));
        m_database = databaseOf(m_cluster.newDatabase());
        m_uri = m_bouncer->uri(m_database);
    }

    // Programs whose calls interleave on the pool's two connections: creating the tables,
    // questions, reused matches, teaching, correcting, an import and an export in transactions,
    // a copy into an empty knowledge base.
    void everyCallWorksWithTransactionsTakingTurns()
    {
        ServerKnowledgeBase first(m_uri);
        ServerKnowledgeBase second(m_uri);
        ServerKnowledgeBase third(m_uri);
        QVERIFY(first.hasTrigramIndex());
        QCOMPARE(first.add(u"どんぐり"_s, u"木の実"_s, u"https://example.jp/"_s), 1);
        QCOMPARE(second.findWord(u"どんぐり"_s), std::optional<qint32>(1));
        QCOMPARE(third.addAll(numberedEntries(2500)), 2500);
        QCOMPARE(first.countMatches(u"かず1*"_s), 1 + 10 + 100 + 1000);
        const auto kept = second.matches(u"*ぐり*"_s);
        QCOMPARE(kept->size(), 1);
        QCOMPARE(second.matches(u"*ぐり*"_s), kept);
        first.update(1, u"どんぐり"_s, u"ブナ科の実"_s, {});
        QCOMPARE(second.matches(u"*ぐり*"_s)->size(), 1);
        QVERIFY(second.matches(u"*ぐり*"_s) != kept);
        QCOMPARE(third.entry(1)->meaning, u"ブナ科の実"_s);

        // An export reads through a cursor in its transaction while others keep asking.
        const std::unique_ptr<EntryReader> reader = first.readEntries();
        qint64 read = 0;
        while (const std::optional<Entry> entry = reader->next()) {
            ++read;
            if (read % 700 == 0)
                QCOMPARE(second.findWord(entry->word), std::optional<qint32>(entry->id));
        }
        QCOMPARE(read, 2501);

        const QString copy = m_bouncer->uri(databaseOf(m_cluster.newDatabase()));
        ServerKnowledgeBase target(copy);
        const std::unique_ptr<EntryReader> source = third.readEntries();
        QCOMPARE(target.fillEmpty([&] { return source->next(); }, qint16(3)), 2501);
        QCOMPARE(target.characterChoice(), std::optional<qint16>(3));
        QCOMPARE(target.add(u"あたらしい"_s, {}, {}), 2502);
        QCOMPARE(third.integrityProblems(), QStringList());
        QCOMPARE(
            m_cluster.value(
                u"postgres"_s,
                u"SELECT count(*) FROM pg_stat_activity WHERE datname = '%1'"_s.arg(m_database)),
            u"2"_s);
    }

    // The pool restarts (an update, a crash): every program's connection to it is gone, and
    // the next call of each simply works.
    void aRestartedPoolIsUsedAgainAtTheNextCall()
    {
        ServerKnowledgeBase kb(m_uri);
        ServerKnowledgeBase other(m_uri);
        kb.add(u"どんぐり"_s, u"木の実"_s, {});
        QCOMPARE(other.countMatches(u"ど*"_s), 1);
        QVERIFY(m_bouncer->stop());
        QVERIFY_THROWS_EXCEPTION(KbError, kb.findWord(u"どんぐり"_s));
        QVERIFY2(m_bouncer->start(), qPrintable(m_bouncer->problem()));
        QCOMPARE(kb.findWord(u"どんぐり"_s), std::optional<qint32>(1));
        QCOMPARE(other.add(u"どんこ"_s, u"魚"_s, {}), 2);
        QCOMPARE(kb.countMatches(u"ど*"_s), 2);

        // Restarted between two calls: nobody notices.
        QVERIFY(m_bouncer->stop());
        QVERIFY2(m_bouncer->start(), qPrintable(m_bouncer->problem()));
        QCOMPARE(other.findWord(u"どんこ"_s), std::optional<qint32>(2));
        QCOMPARE(kb.add(u"くり"_s, u"栗"_s, {}), 3);
    }

    // The server restarts behind the pool, which keeps the programs' connections: their next
    // calls work on the pool's new server connections.
    void aServerRestartBehindThePoolCostsNothing()
    {
        ServerKnowledgeBase kb(m_uri);
        kb.add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY2(m_cluster.stop() && m_cluster.start(), qPrintable(m_cluster.problem()));
        QCOMPARE(kb.findWord(u"どんぐり"_s), std::optional<qint32>(1));
        QCOMPARE(kb.add(u"くり"_s, u"栗"_s, {}), 2);
        QCOMPARE(kb.countMatches(u"*り"_s), 2);
    }

    // A server that closes sessions idle for a while (idle_session_timeout), straight and
    // behind the pool: the next call after the pause works.
    void aConnectionTheServerClosedWhenIdleIsMadeAnew_data()
    {
        QTest::addColumn<bool>("throughPool");
        QTest::newRow("straight to the server") << false;
        QTest::newRow("through the pool") << true;
    }
    void aConnectionTheServerClosedWhenIdleIsMadeAnew()
    {
        QFETCH(bool, throughPool);
        const QString uri = throughPool ? m_uri : m_cluster.uri(m_database);
        ServerKnowledgeBase(uri).add(u"どんぐり"_s, u"木の実"_s, {});
        QVERIFY(m_cluster.exec(
            u"postgres"_s,
            u"ALTER DATABASE %1 SET idle_session_timeout = '300ms'"_s.arg(m_database)));
        ServerKnowledgeBase kb(uri);
        for (int pause = 0; pause < 3; ++pause) {
            QTest::qWait(700);
            QCOMPARE(kb.findWord(u"どんぐり"_s), std::optional<qint32>(1));
            QCOMPARE(kb.add(u"くり%1"_s.arg(pause), u"栗"_s, {}), 2 + pause);
        }
    }

private:
    TestCluster m_cluster;
    std::unique_ptr<TestBouncer> m_bouncer;
    QString m_database;
    QString m_uri;
};

QTEST_GUILESS_MAIN(TestServerPool)
#include "test_server_pool.moc"

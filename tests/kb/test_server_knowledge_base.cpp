// What only a knowledge base on a PostgreSQL server has: tables made in one go, tables of these
// names that are something else, roles that may only read, text it cannot hold, the indexes
// questions go through, passwords, and a server that goes away and comes back.
#include "kb/kb_connection.h"
#include "kb/kb_error.h"
#include "kb/kb_location.h"
#include "kb/server_knowledge_base.h"
#include "support/pg_cluster.h"

#include <QElapsedTimer>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

QString databaseOf(const QString &uri)
{
    const qsizetype start = uri.indexOf(u":///") + 4;
    return uri.mid(start, uri.indexOf(u'?') - start);
}

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
        QCOMPARE(value(u"SELECT string_agg(indexname, ',' ORDER BY indexname) FROM pg_indexes"
                       " WHERE tablename = '言葉'"_s),
                 u"言葉_pkey,言葉_三重照合語,言葉_照合語,言葉_逆照合語,言葉_長い照合語"_s);
        QCOMPARE(value(u"SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute"
                       " WHERE attrelid = '\"言葉\"'::regclass AND attnum > 0"_s),
                 u"ID,言葉,意味,照合語,リンク"_s);
        QCOMPARE(kb.integrityProblems(), QStringList());
    }

private:
    static TestCluster &cluster()
    {
        static TestCluster own;
        return own;
    }
    QString value(const QString &sql) { return cluster().value(m_database, sql); }

    QString m_uri;
    QString m_database;
};

QTEST_GUILESS_MAIN(TestServerKnowledgeBase)
#include "test_server_knowledge_base.moc"

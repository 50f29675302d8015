// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_store.h"

#include "kb/open_knowledge_base.h"
#include "support/pg_cluster.h"
#include "support/test_env.h"

#include <QTest>

namespace donguri::testing {

using namespace Qt::StringLiterals;

TestStore::Kind TestStore::kindFromEnvironment()
{
    const QByteArray named = qgetenv("DONGURI_TEST_STORE");
    if (named.isEmpty() || named == "file")
        return Kind::File;
    if (named == "server")
        return Kind::Server;
    qFatal("DONGURI_TEST_STORE must be \"file\" or \"server\", not \"%s\"", named.constData());
}

TestStore::TestStore(Kind kind) : m_kind(kind)
{
    fresh();
}

void TestStore::fresh()
{
    if (isServer()) {
        m_location = TestCluster::shared().newDatabase();
        return;
    }
    m_dir = std::make_unique<QTemporaryDir>();
    m_location = m_dir->filePath(u"どんぐりくん.mdb"_s);
}

std::unique_ptr<KnowledgeBase> TestStore::open() const
{
    return openKnowledgeBase(m_location);
}

void TestStore::exec(const char *sql) const
{
    if (!isServer()) {
        execSql(m_location, sql);
        return;
    }
    TestCluster &cluster = TestCluster::shared();
    if (!cluster.exec(databaseOf(m_location), QString::fromUtf8(sql)))
        QTest::qFail(qPrintable(cluster.problem()), __FILE__, __LINE__);
}

qint64 TestStore::number(const char *sql) const
{
    if (!isServer())
        return sqlNumber(m_location, sql);
    bool ok = false;
    const qint64 value =
        TestCluster::shared().value(databaseOf(m_location), QString::fromUtf8(sql)).toLongLong(&ok);
    return ok ? value : -1;
}

} // namespace donguri::testing

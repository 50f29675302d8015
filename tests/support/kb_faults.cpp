// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_faults.h"

#include "support/kb_store.h"
#include "support/pg_cluster.h"
#include "support/window_run.h"
#include "ui/kb_problem_text.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

namespace donguri::testing {

using namespace Qt::StringLiterals;

namespace {

// Room for a test's knowledge base and then some, filled up before the window asks.
constexpr const char *SmallDiskOptions = "size=256k,mode=0755";

void execOnCluster(const QString &database, const QString &sql)
{
    TestCluster &cluster = TestCluster::shared();
    if (!cluster.exec(database, sql))
        QTest::qFail(qPrintable(cluster.problem()), __FILE__, __LINE__);
}

// Writes to `path` until the file system has no room left.
void fillUp(const QString &path)
{
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly))
        return;
    const QByteArray block(1024, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {}
}

} // namespace

QList<KbFaultCase> kbFaultCases()
{
    if (TestStore::kindFromEnvironment() == TestStore::Kind::Server)
        return {
            {"table of another shape", KbFault::WrongShape, true,
             u"サーバー「%1」の表の形が違います。"_s},
            {"database that takes no writes", KbFault::ReadOnlyServer, false,
             u"サーバー「%1」で書き込む権限がありません。"_s},
            {"role that may only read", KbFault::ReadOnlyRole, false,
             u"サーバー「%1」が拒否しました（permission denied for table 言葉）。"_s},
        };
    QList<KbFaultCase> cases = {
        {"folder", KbFault::Folder, true, u"知識ファイルの場所「%1」はフォルダです。"_s},
        {"table of another shape", KbFault::WrongShape, true,
         u"知識ファイル「%1」の表の形が違います。"_s},
    };
    if (qEnvironmentVariableIsSet("DONGURI_TEST_PRIVATE_MOUNTS"))
        cases.append({"full disk", KbFault::DiskFull, true,
                      u"ディスクがいっぱいです（知識ファイル「%1」）。"_s});
    if (geteuid() != 0)
        cases.append({"write-protected file", KbFault::ReadOnlyFile, false,
                      u"知識ファイル「%1」に書き込む権限がありません。"_s});
    return cases;
}

MadeKbFault::MadeKbFault(WindowRun &run, KbFault fault) : m_run(run)
{
    SharedState &state = run.state;
    switch (fault) {
    case KbFault::Folder:
        state.DatabasePath = run.file(u"フォルダ.mdb"_s);
        QDir().mkpath(state.DatabasePath);
        break;
    case KbFault::WrongShape:
        run.execSql("ALTER TABLE 言葉 DROP COLUMN リンク");
        break;
    case KbFault::DiskFull:
        moveOntoAFullDisk();
        break;
    case KbFault::ReadOnlyFile:
        m_protectedFile = state.DatabasePath;
        QFile::setPermissions(m_protectedFile, QFile::ReadOwner | QFile::ReadGroup);
        break;
    case KbFault::ReadOnlyServer:
        // Sessions opened from now on; the window's is one of them.
        execOnCluster(u"postgres"_s,
                      u"ALTER DATABASE %1 SET default_transaction_read_only = on"_s.arg(
                          databaseOf(state.DatabasePath)));
        break;
    case KbFault::ReadOnlyRole: {
        const QString database = databaseOf(state.DatabasePath);
        execOnCluster(database, u"DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname ="
                                " 'leser') THEN CREATE ROLE leser LOGIN; END IF; END $$;"
                                " GRANT SELECT ON 言葉, キャラクター, 言葉_変更回数 TO leser"_s);
        state.DatabasePath = TestCluster::shared().uri(database, u"leser"_s);
        break;
    }
    }
}

// A copy of the knowledge base on a small file system of the test's own, filled up: even
// opening it fails, as there is no room for its log's index.
void MadeKbFault::moveOntoAFullDisk()
{
    const QString disk = m_run.file(u"小さなディスク"_s);
    QDir().mkpath(disk);
    if (mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
              SmallDiskOptions)
        != 0) {
        QTest::qFail("cannot mount a small file system", __FILE__, __LINE__);
        return;
    }
    m_mounted = disk;
    const QString copy = disk + u"/どんぐりくん.mdb"_s;
    QFile::copy(m_run.state.DatabasePath, copy);
    m_run.state.DatabasePath = copy;
    fillUp(disk + u"/いっぱい"_s);
}

MadeKbFault::~MadeKbFault()
{
    // Files the window still holds open there go when the mount namespace does.
    if (!m_mounted.isEmpty())
        umount2(QFile::encodeName(m_mounted).constData(), MNT_DETACH);
    if (!m_protectedFile.isEmpty())
        QFile::setPermissions(m_protectedFile, QFile::ReadOwner | QFile::WriteOwner);
}

QString MadeKbFault::said(const QString &sentence) const
{
    return sentence.arg(kbShownName(m_run.state.DatabasePath));
}

} // namespace donguri::testing

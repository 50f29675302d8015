// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Knowledge-base files on network shares: the probe of the file system type, and the journal a
// file gets there (a rollback journal, never SQLite's write-ahead log).
#include "kb/file_knowledge_base.h"
#include "kb/file_system.h"
#include "support/test_env.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

bool local(const QString &)
{
    return false;
}

bool onNetwork(const QString &)
{
    return true;
}

} // namespace

class TestFileSystem : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"どんぐりくん.mdb"_s);
    }

    void networkFileSystemsAreKnownByType_data()
    {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<bool>("network");
        QTest::newRow("NFS") << qint64(0x6969) << true;
        QTest::newRow("CIFS") << qint64(0xFF534D42) << true;
        QTest::newRow("CIFS, as a signed f_type") << qint64(qint32(0xFF534D42)) << true;
        QTest::newRow("SMB2") << qint64(0xFE534D42) << true;
        QTest::newRow("old smbfs") << qint64(0x517B) << true;
        QTest::newRow("FUSE (sshfs)") << qint64(0x65735546) << true;
        QTest::newRow("9p") << qint64(0x01021997) << true;
        QTest::newRow("Ceph") << qint64(0x00C36400) << true;
        QTest::newRow("ext4") << qint64(0xEF53) << false;
        QTest::newRow("tmpfs") << qint64(0x01021994) << false;
        QTest::newRow("btrfs") << qint64(0x9123683E) << false;
        QTest::newRow("xfs") << qint64(0x58465342) << false;
        QTest::newRow("overlayfs") << qint64(0x794C7630) << false;
    }
    void networkFileSystemsAreKnownByType()
    {
        QFETCH(qint64, type);
        QFETCH(bool, network);
        QCOMPARE(isNetworkFileSystemType(type), network);
    }

    void aTemporaryFolderIsLocalAndAMissingOneCountsAsLocal()
    {
        QVERIFY(!isOnNetworkFileSystem(m_dir->path()));
        QVERIFY(!isOnNetworkFileSystem(m_dir->filePath(u"no/such/folder"_s)));
    }

    void aLocalFileUsesTheWriteAheadLog()
    {
        FileKnowledgeBase kb(m_path, local);
        kb.add(u"どんぐり"_s, u"木の実"_s, {});
        QCOMPARE(journalFormat(m_path), 2);
    }

    void aFileOnAShareKeepsARollbackJournal()
    {
        FileKnowledgeBase kb(m_path, onNetwork);
        kb.add(u"どんぐり"_s, u"木の実"_s, {});
        QCOMPARE(journalFormat(m_path), 1);
        QVERIFY(!QFile::exists(m_path + u"-wal"_s));
        QVERIFY(!QFile::exists(m_path + u"-shm"_s));
        QCOMPARE(FileKnowledgeBase(m_path, onNetwork).findWord(u"どんぐり"_s),
                 std::optional<qint32>(1));
    }

    // A file made on this computer and then moved onto a share is switched at its next opening.
    void aFileMovedOntoAShareIsSwitchedToARollbackJournal()
    {
        FileKnowledgeBase(m_path, local).add(u"どんぐり"_s, u"木の実"_s, {});
        QCOMPARE(journalFormat(m_path), 2);
        FileKnowledgeBase kb(m_path, onNetwork);
        QCOMPARE(journalFormat(m_path), 1);
        QCOMPARE(kb.add(u"くり"_s, u"栗"_s, {}), 2);
        QVERIFY(!QFile::exists(m_path + u"-wal"_s));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestFileSystem)
#include "test_file_system.moc"

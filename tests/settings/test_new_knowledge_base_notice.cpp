// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/new_knowledge_base_notice.h"
#include "support/test_env.h"

#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// A knowledge base file the user named that was not there is announced once, after it is made
// (as the question bar shows it: test_knowledge_base_choice); nothing else ever is.
class TestNewKnowledgeBaseNotice : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    // Names are of files in the test's folder: there.mdb exists, missing.mdb is made after the
    // watch.
    void onlyAFileMadeSinceItWasNamedIsAnnounced_data()
    {
        QTest::addColumn<QString>("watched");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("announced");
        QTest::newRow("the file named, made since") << u"missing.mdb"_s << u"missing.mdb"_s << true;
        QTest::newRow("a file that was there") << u"there.mdb"_s << u"there.mdb"_s << false;
        QTest::newRow("another file") << u"missing.mdb"_s << u"there.mdb"_s << false;
        QTest::newRow("a server") << u"postgresql://kb.example.lan/donguri"_s
                                  << u"postgresql://kb.example.lan/donguri"_s << false;
        QTest::newRow("never watched") << QString() << u"missing.mdb"_s << false;
    }
    void onlyAFileMadeSinceItWasNamedIsAnnounced()
    {
        QFETCH(QString, watched);
        QFETCH(QString, asked);
        QFETCH(bool, announced);
        writeBytes(path(u"there.mdb"_s), "kb");
        NewKnowledgeBaseNotice notice;
        notice.watch(path(watched));
        writeBytes(path(u"missing.mdb"_s), "made since");
        QCOMPARE(notice.announcement(path(asked)),
                 announced ? std::optional(u"新しい知識ファイルを作りました。missing.mdb"_s)
                           : std::nullopt);
        QCOMPARE(notice.announcement(path(asked)), std::nullopt); // once
    }

private:
    // A file of the test's folder; a server address and nothing at all stay as they are.
    QString path(const QString &name) const
    {
        return name.isEmpty() || name.contains(u"://"_s) ? name : m_dir->filePath(name);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestNewKnowledgeBaseNotice)
#include "test_new_knowledge_base_notice.moc"

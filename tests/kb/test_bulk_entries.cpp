#include "kb/file_knowledge_base.h"
#include "kb/kb_error.h"
#include "support/broken_index.h"
#include "support/test_env.h"

#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// The knowledge-base calls donguri-kb is built on: adding many entries at once, reading them
// all back, and the integrity check.
class TestBulkEntries : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"どんぐりくん.mdb"_s);
    }

    void addedEntriesComeBackInIdOrder()
    {
        FileKnowledgeBase kb(m_path);
        kb.add(u"既存"_s, u"前から"_s, {});
        QList<qsizetype> progress;
        kb.addAll({{u"どんぐり  "_s, u"木の実\r\n"_s, u"a.html"_s}, {u"it's"_s, {}, {}}},
                  [&](qsizetype added) { progress << added; });
        QCOMPARE(progress, (QList<qsizetype>{1, 2}));
        QStringList seen;
        kb.forEachEntry([&](const Entry &entry) {
            seen << u"%1|%2|%3|%4"_s.arg(entry.id).arg(entry.word, entry.meaning.value(),
                                                       entry.link);
        });
        QCOMPARE(seen, (QStringList{u"1|既存|前から|"_s, u"2|どんぐり  |木の実\r\n|a.html"_s,
                                    u"3|it's||"_s}));
        QCOMPARE(kb.findWord(u"どんぐり"_s), std::optional<qint32>(2)); // 照合語 filled as usual
    }

    void oneFailingEntryKeepsNoneOfThem()
    {
        {
            FileKnowledgeBase kb(m_path);
            kb.add(u"既存"_s, u"x"_s, {});
        }
        execSql(m_path, "CREATE TRIGGER refuse BEFORE INSERT ON 言葉 WHEN NEW.言葉 = 'bad'"
                        " BEGIN SELECT RAISE(ABORT, 'refused'); END;");
        FileKnowledgeBase kb(m_path);
        QVERIFY_THROWS_EXCEPTION(
            KbError, kb.addAll({{u"a"_s, {}, {}}, {u"bad"_s, {}, {}}, {u"c"_s, {}, {}}}));
        QCOMPARE(kb.countAll(), 1);
        // The transaction is closed again: the next write goes through on its own.
        kb.add(u"次"_s, u"y"_s, {});
        QCOMPARE(FileKnowledgeBase(m_path).countAll(), 2);
    }

    void readingAllGivesNullAsAbsentInIdOrder()
    {
        FileKnowledgeBase kb(m_path);
        execSql(m_path, "INSERT INTO 言葉 (ID, 言葉, 意味, リンク) VALUES"
                        " (7, 'b', NULL, NULL), (3, 'a', 'm', 'l')");
        QList<Entry> entries;
        kb.forEachEntry([&](const Entry &entry) { entries << entry; });
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].id, 3);
        QCOMPARE(entries[1].id, 7);
        QCOMPARE(entries[1].meaning, std::nullopt);
        QCOMPARE(entries[1].link, QString());
    }

    void integrityProblemsAreListed()
    {
        FileKnowledgeBase(m_path).add(u"空白つき "_s, u"x"_s, {});
        QCOMPARE(FileKnowledgeBase(m_path).integrityProblems(), QStringList());
        breakWordIndex(m_path);
        const QStringList problems = FileKnowledgeBase(m_path).integrityProblems();
        QVERIFY2(!problems.isEmpty() && problems.first().contains(u"言葉_照合語"_s),
                 qPrintable(problems.join(u'\n')));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestBulkEntries)
#include "test_bulk_entries.moc"

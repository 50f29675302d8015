// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/file_knowledge_base.h"
#include "kb/file_system.h"
#include "kb_tool/database_command.h"
#include "kb_tool/kb_command.h"
#include "support/awkward_entries.h"
#include "support/broken_index.h"
#include "support/iconv_text.h"
#include "support/kb_command_run.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace donguri;
using namespace donguri::kbtool;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

const QByteArray Header = "言葉\t意味\tリンク\n";

QByteArray tsvRows(int count)
{
    QByteArray rows;
    for (int i = 0; i < count; ++i)
        rows += "言葉" + QByteArray::number(i) + "\t意味\t\n";
    return rows;
}

QList<NewEntry> manyEntries(int count, int meaningLength)
{
    QList<NewEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.append({u"言葉%1"_s.arg(i), QString(meaningLength, u'意'), {}});
    return entries;
}

// Files this process writes may grow no larger than `bytes` while it lives; a write past that
// fails (EFBIG) instead of ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_signalBefore = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_before;
        lower.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signalBefore);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_before{};
    void (*m_signalBefore)(int) = nullptr;
};

// Entries whose every character Shift_JIS (CP932) holds, with the bytes that trip its readers:
// 0x5C as the second byte of 表, ソ and 能, NEC's and IBM's extensions, half-width katakana, a
// backslash and a tilde, quotes, both delimiters and line breaks, CR LF among them.
QList<NewEntry> entriesShiftJisHolds()
{
    return {{u"表"_s, u"ソ\r\n能"_s, u"①㈱"_s},
            {u"ｶﾀｶﾅ"_s, u"a \"q\", b\tc\nd"_s, u"\\~"_s},
            {u"髙﨑纊"_s, u"ⅰ∵￢"_s, u"https://example.com/どんぐり"_s},
            {u" 空白 "_s, u"前後に空白"_s, u"C:\\Users\\表\\"_s}};
}

// Every entry as {ID, word, meaning or "<null>", link}.
QList<QStringList> entriesOf(const QString &database)
{
    QList<QStringList> entries;
    FileKnowledgeBase(database).forEachEntry([&](const Entry &entry) {
        entries << QStringList{QString::number(entry.id), entry.word,
                               entry.meaning.value_or(u"<null>"_s), entry.link};
    });
    return entries;
}

} // namespace

class TestKbCommand : public QObject, private KbCommandRun
{
    Q_OBJECT
private Q_SLOTS:
    void init() { begin(); }

    void roundTripKeepsEveryField_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::newRow("tsv") << u"tsv"_s;
        QTest::newRow("csv") << u"csv"_s;
    }
    void roundTripKeepsEveryField()
    {
        QFETCH(QString, extension);
        FileKnowledgeBase(m_db).addAll(awkwardEntries());
        const QString exported = path(u"kb."_s + extension);
        QCOMPARE(run({u"export"_s, exported, u"--db"_s, m_db}), Success);
        const QString copy = path(u"copy.mdb"_s);
        QCOMPARE(run({u"import"_s, exported, u"--db"_s, copy}), Success);

        const QList<QStringList> copied = entriesOf(copy);
        QCOMPARE(copied, entriesOf(m_db));
        QCOMPARE(copied.size(), awkwardEntries().size());
        QCOMPARE(copied[4][2].size(), 10000);
        // The copy exports to the very same bytes.
        const QString again = path(u"again."_s + extension);
        QCOMPARE(run({u"export"_s, again, u"--db"_s, copy}), Success);
        QCOMPARE(fileBytes(again), fileBytes(exported));
    }

    void exportWritesIdOrderAndNullAsEmpty_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tsv") << QStringList{u"out.tsv"_s} << Header + "a  \tx\tl\nb\t\t\n"_ba;
        QTest::newRow("upper-case CSV")
            << QStringList{u"out.CSV"_s} << "言葉,意味,リンク\na  ,x,l\nb,,\n"_ba;
        QTest::newRow("--format over the name")
            << QStringList{u"out.tsv"_s, u"--format"_s, u"csv"_s}
            << "言葉,意味,リンク\na  ,x,l\nb,,\n"_ba;
    }
    void exportWritesIdOrderAndNullAsEmpty()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        FileKnowledgeBase kb(m_db);
        execSql(m_db, "INSERT INTO 言葉 (ID, 言葉, 意味, リンク) VALUES"
                      " (9, 'b', NULL, NULL), (4, 'a  ', 'x', 'l')");
        const QString output = path(arguments.first());
        arguments.first() = output;
        QCOMPARE(run(QStringList{u"export"_s, u"--db"_s, m_db} + arguments), Success);
        QCOMPARE(fileBytes(output), expected);
    }

    // Only another tool can store text that is not UTF-8. The export keeps it exactly as stored
    // instead of changing it on the way out, and an import of that file names the line.
    void textThatIsNotUtf8IsExportedAsStored()
    {
        FileKnowledgeBase kb(m_db);
        execSql(m_db, "INSERT INTO 言葉 (言葉, 意味, リンク)"
                      " VALUES (CAST(X'61FF62' AS TEXT), 'ok', CAST(X'E381' AS TEXT))");
        const QString output = path(u"out.tsv"_s);
        QCOMPARE(run({u"export"_s, output, u"--db"_s, m_db}), Success);
        QCOMPARE(fileBytes(output), Header
                                        + "a\xFF"
                                          "b\tok\t\xE3\x81\n"_ba);
        QCOMPARE(run({u"import"_s, output, u"--db"_s, path(u"again.mdb"_s)}), Failure);
        QVERIFY2(m_err.contains(u"out.tsv, line 2: text that is neither UTF-8 nor Shift_JIS"_s),
                 qPrintable(m_err));
        // Nor is it changed into another encoding.
        m_err.clear();
        QCOMPARE(run({u"export"_s, output, u"--db"_s, m_db, u"--encoding"_s, u"shift_jis"_s}),
                 Failure);
        QVERIFY2(m_err.contains(u"line 2, the entry a"_s)
                     && m_err.contains(u"text that is not UTF-8 (another program stored it so)"_s),
                 qPrintable(m_err));
    }

    void aBadFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("empty file") << QByteArray() << 1;
        QTest::newRow("header of one column") << "言葉\n"_ba << 1;
        QTest::newRow("header with a fourth column") << "言葉\t意味\tリンク\tメモ\n"_ba << 1;
        QTest::newRow("field missing mid-file")
            << Header + tsvRows(50) + "x\ty\n" + tsvRows(50) << 52;
        QTest::newRow("extra field after a multi-line meaning")
            << Header + "a\t\"1\r\n2\n3\"\t\nb\tc\td\te\n"_ba << 5;
        QTest::newRow("unclosed quote") << Header + tsvRows(100) + "\"x\ty\tz\n" << 102;
        QTest::newRow("unclosed quote opened on a row's later line")
            << Header + tsvRows(3) + "a\t\"1\n2\"\t\"x\ny\n"
            << 6;
        QTest::newRow("not UTF-8") << Header + tsvRows(10) + "a\t\xff\t\n" + tsvRows(10) << 12;
        // Read and added a row at a time, many chunks in: the last row still undoes them all.
        QTest::newRow("bad last row of many") << Header + tsvRows(20000) + "x\ty\n" << 20002;
    }
    void aBadFileChangesNothing()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        FileKnowledgeBase(m_db).addAll({{u"a"_s, u"1"_s, {}}, {u"b"_s, u"2"_s, {}}});
        const QByteArray before = fileBytes(m_db);
        QVERIFY(!before.isEmpty());
        writeBytes(path(u"bad.tsv"_s), text);

        QCOMPARE(run({u"import"_s, path(u"bad.tsv"_s), u"--db"_s, m_db}), Failure);
        QVERIFY2(m_err.contains(u"bad.tsv, line %1:"_s.arg(line)), qPrintable(m_err));
        QCOMPARE(fileBytes(m_db), before);
        QCOMPARE(fileBytes(m_db + u"-wal"_s), QByteArray());
        QCOMPARE(FileKnowledgeBase(m_db).countAll(), 2);

        const QString fresh = path(u"fresh.mdb"_s);
        QCOMPARE(run({u"import"_s, path(u"bad.tsv"_s), u"--db"_s, fresh}), Failure);
        QVERIFY(!QFileInfo::exists(fresh));
    }

    // Word lists from other systems, made by iconv from an export: imported, told from their bytes
    // (or as --encoding says), to the very same entries, and exported in that encoding again to
    // the very same bytes. From a file, and from a pipe.
    void filesFromOtherSystemsGoBothWays_data()
    {
        QTest::addColumn<QString>("iconvName");
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("importOptions");
        QTest::addColumn<QString>("encoding"); // for the export
        QTest::addColumn<QString>("readAs");
        QTest::addColumn<bool>("throughPipe");
        const QString sjis = u"Shift_JIS (CP932)"_s;
        const QByteArray none;
        const QByteArray le("\xFF\xFE");
        QTest::newRow("CP932 CSV, as spreadsheet programs save it")
            << u"CP932"_s << none << u"csv"_s << QStringList() << u"shift_jis"_s << sjis << false;
        QTest::newRow("CP932 TSV")
            << u"CP932"_s << none << u"tsv"_s << QStringList() << u"shift_jis"_s << sjis << false;
        QTest::newRow("CP932, given")
            << u"CP932"_s << none << u"csv"_s << QStringList{u"--encoding"_s, u"cp932"_s}
            << u"shift_jis"_s << sjis << false;
        QTest::newRow("CP932 through a pipe")
            << u"CP932"_s << none << u"csv"_s << QStringList() << u"shift_jis"_s << sjis << true;
        QTest::newRow("UTF-16 with a mark, as spreadsheet programs save Unicode text")
            << u"UTF-16LE"_s << le << u"tsv"_s << QStringList() << u"utf-16"_s << u"UTF-16"_s
            << false;
        QTest::newRow("UTF-16 through a pipe") << u"UTF-16LE"_s << le << u"csv"_s << QStringList()
                                               << u"utf-16"_s << u"UTF-16"_s << true;
        QTest::newRow("UTF-16 without a mark, given")
            << u"UTF-16LE"_s << none << u"csv"_s << QStringList{u"--encoding"_s, u"UTF-16"_s}
            << QString() << u"UTF-16"_s << false;
        QTest::newRow("UTF-8, given")
            << QString() << none << u"csv"_s << QStringList{u"--encoding"_s, u"utf-8"_s}
            << u"utf-8"_s << u"UTF-8"_s << false;
    }
    void filesFromOtherSystemsGoBothWays()
    {
        QFETCH(QString, iconvName);
        QFETCH(QByteArray, mark);
        QFETCH(QString, format);
        QFETCH(QStringList, importOptions);
        QFETCH(QString, encoding);
        QFETCH(QString, readAs);
        QFETCH(bool, throughPipe);
        FileKnowledgeBase(m_db).addAll(entriesShiftJisHolds());
        const QString utf8File = path(u"utf8."_s + format);
        QCOMPARE(run({u"export"_s, utf8File, u"--db"_s, m_db}), Success);
        const QByteArray converted =
            iconvName.isEmpty() ? fileBytes(utf8File) : iconvBytes(fileBytes(utf8File), iconvName);
        QVERIFY(!converted.isEmpty());
        const QByteArray windowsBytes = mark + converted;

        const QString windowsFile = path(u"windows."_s + format);
        std::unique_ptr<FifoWriter> writer;
        if (throughPipe)
            writer = std::make_unique<FifoWriter>(windowsFile, windowsBytes, QByteArray(), 0);
        else
            writeBytes(windowsFile, windowsBytes);
        const QString copy = path(u"copy.mdb"_s);
        QCOMPARE(run(QStringList{u"import"_s, windowsFile, u"--db"_s, copy} + importOptions),
                 Success);
        QVERIFY2(m_out.contains(u"Added %1 entries from %2 to %3, read as %4\n"_s
                                    .arg(entriesShiftJisHolds().size())
                                    .arg(windowsFile, copy, readAs)),
                 qPrintable(m_out + m_err));
        QCOMPARE(entriesOf(copy), entriesOf(m_db));

        if (encoding.isEmpty())
            return; // a mark-less file is never written
        writer.reset();
        const QString again = path(u"again."_s + format);
        QCOMPARE(run({u"export"_s, again, u"--db"_s, copy, u"--encoding"_s, encoding}), Success);
        QVERIFY2(m_out.endsWith(u"to %1, in %2\n"_s.arg(again, readAs)), qPrintable(m_out));
        QCOMPARE(fileBytes(again), windowsBytes);
    }

    // A file in an encoding the import does not know is refused at its line, saying what to
    // do, and adds nothing.
    void aFileInNoKnownEncodingIsRefusedByLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QStringList>("given");
        const QByteArray rows = Header + tsvRows(2) + "どんぐり\t木の実\t\n" + tsvRows(2);
        const QString neither = u"text that is neither UTF-8 nor Shift_JIS (CP932); save the file "
                                "as UTF-8 and import it again"_s;
        QByteArray damaged = iconvBytes(rows, u"CP932"_s);
        damaged.insert(damaged.indexOf("\x82\xC7") + 2, '\x80'); // after the ど of どんぐり
        const QStringList told;
        QTest::newRow("CP932 with a damaged byte") << damaged << 4 << neither << told;
        QTest::newRow("UTF-8 with a line in Latin-1")
            << Header + tsvRows(2) + iconvBytes("crème brûlée\tÿ\t\n", u"LATIN1"_s) + tsvRows(1)
            << 4 << neither << told;
        QTest::newRow("EUC-JP") << iconvBytes(rows, u"EUC-JP"_s) << 1 << neither << told;
        QTest::newRow("CP932 without the header")
            << iconvBytes(tsvRows(3), u"CP932"_s) << 1
            << u"the first row must be the header 言葉, 意味, リンク, or 言葉 and 意味 alone (the "
               "file was read as Shift_JIS (CP932); if it is in another encoding, save it as "
               "UTF-8)"_s
            << told;
        QTest::newRow("UTF-16 without a mark")
            << iconvBytes(rows, u"UTF-16LE"_s) << 1
            << u"text that is neither UTF-8 nor Shift_JIS (CP932); it looks like UTF-16 without a "
               "byte-order mark: give --encoding utf-16"_s
            << told;
        QTest::newRow("UTF-8 given, CP932 text")
            << iconvBytes(rows, u"CP932"_s) << 1
            << u"text that is not UTF-8: it looks like Shift_JIS (CP932) or another encoding; "
               "save it as UTF-8 or give --encoding shift_jis"_s
            << QStringList{u"--encoding"_s, u"utf-8"_s};
    }
    void aFileInNoKnownEncodingIsRefusedByLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(QString, reason);
        QFETCH(QStringList, given);
        QVERIFY(text.size() > Header.size());
        FileKnowledgeBase(m_db).add(u"前から"_s, u"ある"_s, {});
        const QByteArray before = fileBytes(m_db);
        const QString file = path(u"in.tsv"_s);
        writeBytes(file, text);
        QCOMPARE(run(QStringList{u"import"_s, file, u"--db"_s, m_db} + given), Failure);
        QVERIFY2(m_err.contains(
                     u"%1, line %2: %3; nothing was added to "_s.arg(file).arg(line).arg(reason)),
                 qPrintable(m_err));
        QCOMPARE(fileBytes(m_db), before);
    }

    // The commonest glossary there is has two columns, 言葉 and 意味: every link is empty.
    void twoColumnGlossaries_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("refusedLine"); // 0: taken
        QTest::newRow("CSV") << "言葉,意味\r\nどんぐり,木の実\r\n栗,\"秋の\r\n実\"\r\n"_ba
                             << u"in.csv"_s << 0;
        QTest::newRow("TSV") << "言葉\t意味\nどんぐり\t木の実\n栗\t\"秋の\r\n実\"\n"_ba
                             << u"in.tsv"_s << 0;
        QTest::newRow("CP932 CSV")
            << iconvBytes("言葉,意味\r\nどんぐり,木の実\r\n栗,\"秋の\r\n実\"\r\n", u"CP932"_s)
            << u"in.csv"_s << 0;
        QTest::newRow("a row of three")
            << "言葉,意味\nどんぐり,木の実\n栗,実,https://example.com/\n"_ba << u"in.csv"_s << 3;
    }
    void twoColumnGlossaries()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QFETCH(int, refusedLine);
        writeBytes(path(name), text);
        const int status = run({u"import"_s, path(name), u"--db"_s, m_db});
        if (refusedLine > 0) {
            QCOMPARE(status, Failure);
            QVERIFY2(m_err.contains(u"line %1: 3 fields where 2 belong"_s.arg(refusedLine)),
                     qPrintable(m_err));
            QVERIFY(!QFileInfo::exists(m_db));
            return;
        }
        QCOMPARE(status, Success);
        QCOMPARE(entriesOf(m_db),
                 (QList<QStringList>{{u"1"_s, u"どんぐり"_s, u"木の実"_s, QString()},
                                     {u"2"_s, u"栗"_s, u"秋の\r\n実"_s, QString()}}));
    }

    // Two exports joined into one file: the second header is passed over with a warning naming
    // its line, and the rows after it are read by it.
    void aHeaderAgainIsPassedOver_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QList<int>>("headerLines");
        QTest::addColumn<int>("more"); // header rows counted, not named
        QTest::addColumn<QString>("lastLink");
        const QByteArray mark("\xEF\xBB\xBF");
        const QByteArray row = "言葉\t意味\thttps://example.com/\n";
        QTest::newRow("two exports") << Header + row + row + Header + row << 3 << QList<int>{4} << 0
                                     << u"https://example.com/"_s;
        QTest::newRow("each with its mark") << mark + Header + row + mark + Header + row << 2
                                            << QList<int>{3} << 0 << u"https://example.com/"_s;
        QTest::newRow("a glossary after an export") << Header + row + "言葉\t意味\n" + "栗\t実\n"
                                                    << 2 << QList<int>{3} << 0 << QString();
        QByteArray many = Header + row;
        QList<int> lines;
        for (int i = 0; i < 12; ++i) {
            lines << many.count('\n') + 1;
            many += Header + row;
        }
        QTest::newRow("thirteen joined")
            << many << 13 << lines.first(10) << 2 << u"https://example.com/"_s;
    }
    void aHeaderAgainIsPassedOver()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, entries);
        QFETCH(QList<int>, headerLines);
        QFETCH(int, more);
        QFETCH(QString, lastLink);
        const QString file = path(u"joined.tsv"_s);
        writeBytes(file, text);
        QCOMPARE(run({u"import"_s, file, u"--db"_s, m_db}), Success);
        QVERIFY2(m_out.startsWith(u"Added %1 entries"_s.arg(entries)), qPrintable(m_out));
        QString warnings;
        for (const int line : headerLines)
            warnings += u"donguri-kb: warning: %1, line %2: the header row again (two files "
                        "joined?); passed over\n"_s.arg(file)
                            .arg(line);
        if (more > 0)
            warnings +=
                u"donguri-kb: warning: %1: %2 more header rows passed over\n"_s.arg(file).arg(more);
        QCOMPARE(m_err, warnings);
        const QList<QStringList> stored = entriesOf(m_db);
        QCOMPARE(stored.size(), entries);
        QCOMPARE(stored.last()[3], lastLink);
        QVERIFY(std::none_of(stored.begin(), stored.end(), [](const QStringList &entry) {
            return entry[1].contains(u"言葉"_s) && entry[2] == u"意味"_s && entry[3] == u"リンク"_s;
        }));
    }

    // A failure after a header that was passed over still tells of it, before the failure.
    void aHeaderPassedOverIsToldWhenTheImportFails()
    {
        writeBytes(path(u"joined.tsv"_s), Header + tsvRows(1) + Header + "x\ty\n");
        QCOMPARE(run({u"import"_s, path(u"joined.tsv"_s), u"--db"_s, m_db}), Failure);
        const qsizetype warning = m_err.indexOf(u"line 3: the header row again"_s);
        const qsizetype failure = m_err.indexOf(u"line 4: 2 fields where 3 belong"_s);
        QVERIFY2(warning >= 0 && failure > warning, qPrintable(m_err));
        QVERIFY(!QFileInfo::exists(m_db));
    }

    // The 3-column cases of csv-spectrum, a public test suite for CSV readers, under our header:
    // each field is stored as it is in the file, a CR LF inside quotes included.
    void importsTheCsvSpectrumCases_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QList<QStringList>>("entries");
        const QList<QStringList> empty{{u"1"_s, u"1"_s, u""_s, u""_s},
                                       {u"2"_s, u"2"_s, u"3"_s, u"4"_s}};
        const auto onceUponATime = [](const QString &lineEnd) {
            return QList<QStringList>{
                {u"1"_s, u"1"_s, u"2"_s, u"3"_s},
                {u"2"_s, u"Once upon "_s + lineEnd + u"a time"_s, u"5"_s, u"6"_s},
                {u"3"_s, u"7"_s, u"8"_s, u"9"_s}};
        };
        const QList<QStringList> simple{{u"1"_s, u"1"_s, u"2"_s, u"3"_s}};
        QTest::newRow("empty") << "\n1,\"\",\"\"\n2,3,4\n"_ba << empty;
        QTest::newRow("empty_crlf") << "\r\n1,\"\",\"\"\r\n2,3,4\r\n"_ba << empty;
        QTest::newRow("newlines") << "\n1,2,3\n\"Once upon \na time\",5,6\n7,8,9\n"_ba
                                  << onceUponATime(u"\n"_s);
        QTest::newRow("newlines_crlf")
            << "\r\n1,2,3\r\n\"Once upon \r\na time\",5,6\r\n7,8,9\r\n"_ba
            << onceUponATime(u"\r\n"_s);
        QTest::newRow("simple") << "\n1,2,3\n"_ba << simple;
        QTest::newRow("simple_crlf") << "\r\n1,2,3\r\n"_ba << simple;
        QTest::newRow("utf8") << "\n1,2,3\n4,5,ʤ\n"_ba
                              << QList<QStringList>{{u"1"_s, u"1"_s, u"2"_s, u"3"_s},
                                                    {u"2"_s, u"4"_s, u"5"_s, u"ʤ"_s}};
    }
    void importsTheCsvSpectrumCases()
    {
        QFETCH(QByteArray, rows);
        QFETCH(QList<QStringList>, entries);
        const QString file = path(u"case.csv"_s);
        writeBytes(file, "言葉,意味,リンク" + rows);
        QCOMPARE(run({u"import"_s, file, u"--db"_s, m_db}), Success);
        QCOMPARE(entriesOf(m_db), entries);
    }

    // Shift_JIS for spreadsheet programs holds no character it would give back as another, nor one
    // it lacks: the export names the line and the entry, and leaves the file that was there as it
    // was.
    void anExportToShiftJisRefusesWhatItCannotHold_data()
    {
        QTest::addColumn<QList<NewEntry>>("entries");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("reason");
        const NewEntry plain{u"どんぐり"_s, u"木の実"_s, {}};
        QTest::newRow("wave dash")
            << QList<NewEntry>{plain, {u"波"_s, u"〜"_s, {}}} << 3 << u"the entry 波 (ID 2)"_s
            << u"〜 (U+301C) would be read back as ～ (U+FF5E)"_s;
        QTest::newRow("yen sign") << QList<NewEntry>{{u"¥100"_s, u"円"_s, {}}} << 2
                                  << u"the entry ¥100 (ID 1)"_s
                                  << u"¥ (U+00A5) would be read back as \\ (U+005C)"_s;
        QTest::newRow("minus sign")
            << QList<NewEntry>{{u"引く"_s, u"−"_s, {}}} << 2 << u"the entry 引く (ID 1)"_s
            << u"− (U+2212) would be read back as － (U+FF0D)"_s;
        QTest::newRow("emoji, after lines in a meaning")
            << QList<NewEntry>{{u"行\r\n"_s, u"一\n二\n三"_s, {}}, {u"栗"_s, u"実"_s, u"🌰"_s}} << 6
            << u"the entry 栗 (ID 2)"_s << u"🌰 (U+1F330) has no place in Shift_JIS (CP932)"_s;
        QTest::newRow("far into a long meaning")
            << QList<NewEntry>{{u"x"_s, u"a"_s + QString(100'000, u'あ') + u"〜"_s, {}}} << 2
            << u"the entry x (ID 1)"_s << u"〜 (U+301C) would be read back as ～ (U+FF5E)"_s;
        QTest::newRow("a word of many lines")
            << QList<NewEntry>{{u"𠮷\n野家"_s, u"店"_s, {}}} << 2 << u"the entry 𠮷… (ID 1)"_s
            << u"𠮷 (U+20BB7) has no place in Shift_JIS (CP932)"_s;
    }
    void anExportToShiftJisRefusesWhatItCannotHold()
    {
        QFETCH(QList<NewEntry>, entries);
        QFETCH(int, line);
        QFETCH(QString, entry);
        QFETCH(QString, reason);
        FileKnowledgeBase(m_db).addAll(entries);
        const QString target = path(u"sheet.csv"_s);
        writeBytes(target, "the previous export\n");
        QCOMPARE(run({u"export"_s, target, u"--db"_s, m_db, u"--encoding"_s, u"shift_jis"_s}),
                 Failure);
        QCOMPARE(m_err, u"donguri-kb: cannot write %1 as Shift_JIS (CP932): line %2, %3: %4; "
                        "export as UTF-8 (without --encoding), or change the character; nothing "
                        "was written\n"_s.arg(target)
                            .arg(line)
                            .arg(entry, reason));
        QCOMPARE(fileBytes(target), "the previous export\n"_ba);
        QCOMPARE(QDir(m_dir->path()).entryList({u"sheet*"_s}), QStringList{u"sheet.csv"_s});
    }

    // donguri-kb pointed at something that is no knowledge base says in plain words what it is
    // and what to do, and leaves it as it was.
    void placesThatAreNoKnowledgeBaseAreNamed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // after the place's name
        const QString give = u"give the path of a knowledge-base file"_s;
        const QString foreign =
            u": it is a database of another program, not a knowledge base: export its words as "
            "CSV (言葉,意味) and bring them in with donguri-kb import"_s;
        QTest::newRow("folder") << u"folder"_s << u" is a folder: "_s + give;
        QTest::newRow("folder with knowledge bases") << u"folder with knowledge bases"_s
                                                     << u" is a folder: "_s + give
                                                            + u" (in it: a.mdb, "
                                                              "b.mdb, c.mdb, …)"_s;
        QTest::newRow("FIFO") << u"fifo"_s << u" is not a file: "_s + give;
        QTest::newRow("empty file")
            << u"empty"_s << u" is an empty file, not a knowledge base: "_s + give;
        QTest::newRow("text file") << u"text"_s << u" is not a database at all: "_s + give;
        QTest::newRow("word list") << u"word list"_s
                                   << u" is a word list, not a knowledge base: bring its rows in "
                                      "with donguri-kb import "_s;
        QTest::newRow("SQLite database of another program") << u"sqlite"_s << foreign;
        QTest::newRow("Access database") << u"access"_s << foreign;
    }
    void placesThatAreNoKnowledgeBaseAreNamed()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString place = path(u"place.mdb"_s);
        if (kind == u"folder") {
            QVERIFY(QDir().mkpath(place));
        } else if (kind == u"folder with knowledge bases") {
            QVERIFY(QDir().mkpath(place));
            for (const QString &name : {u"a.mdb"_s, u"b.mdb"_s, u"c.mdb"_s, u"d.mdb"_s})
                FileKnowledgeBase(place + u'/' + name).countAll();
        } else if (kind == u"fifo") {
            QVERIFY(makeFifo(place));
        } else if (kind == u"empty") {
            writeBytes(place, {});
        } else if (kind == u"text") {
            writeBytes(place, "買い物: 牛乳、卵\n");
        } else if (kind == u"word list") {
            place = path(u"words.csv"_s);
            writeBytes(place, "言葉,意味\nどんぐり,木の実\n");
        } else if (kind == u"sqlite") {
            execSql(place, "CREATE TABLE 単語 (見出し TEXT, 説明 TEXT)");
        } else if (kind == u"access") {
            writeBytes(place, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20)
                                  + QByteArray(2028, '\0'));
        }
        writeBytes(path(u"in.tsv"_s), Header + tsvRows(1));
        FileKnowledgeBase(m_db).add(u"どんぐり"_s, u"木の実"_s, {});
        const QByteArray before = isFifo(place) ? QByteArray() : fileBytes(place);
        const QStringList files = filesThere();
        const QList<QStringList> commands = {{u"stats"_s, u"--db"_s, place},
                                             {u"export"_s, path(u"out.tsv"_s), u"--db"_s, place},
                                             {u"import"_s, path(u"in.tsv"_s), u"--db"_s, place},
                                             {u"backup"_s, path(u"backup.mdb"_s), u"--db"_s, place},
                                             {u"copy"_s, place, path(u"copy.mdb"_s)},
                                             {u"copy"_s, m_db, place}};
        for (const QStringList &command : commands) {
            m_err.clear();
            const QString said = u"donguri-kb: "_s + place + message;
            QCOMPARE(run(command), Failure);
            QVERIFY2(m_err.startsWith(said), qPrintable(command.join(u' ') + u": "_s + m_err));
        }
        QCOMPARE(filesThere(), files);
        if (!isFifo(place))
            QCOMPARE(fileBytes(place), before);
    }

    void importOfAFolderSaysSo()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(u"words.csv"_s));
        QCOMPARE(run({u"import"_s, path(u"words.csv"_s), u"--db"_s, m_db}), Failure);
        QCOMPARE(m_err, u"donguri-kb: %1 is a folder: give the path of a file to import\n"_s.arg(
                            path(u"words.csv"_s)));
        QVERIFY(!QFileInfo::exists(m_db));
    }

    void importAddsAfterTheEntriesThereAndDefaultsToTheConfiguredFile()
    {
        const QString named = path(u"named.mdb"_s);
        writeBytes(m_places.program.settingsFile(), (named + u"\r\n"_s).toUtf8());
        FileKnowledgeBase(named).add(u"前から"_s, u"x"_s, {});
        writeBytes(path(u"in.tsv"_s), "\xEF\xBB\xBF" + Header + tsvRows(2));
        QCOMPARE(run({u"import"_s, path(u"in.tsv"_s)}), Success);
        QCOMPARE(entriesOf(named).last(), (QStringList{u"3"_s, u"言葉1"_s, u"意味"_s, QString()}));
        QVERIFY(m_out.contains(u"Added 2 entries"_s));
    }

    // The settings file of an old installation on another system names its knowledge base by a
    // drive-letter path: donguri-kb reads it as the program does, as the file of that name beside
    // the program, and makes nothing under the drive-letter path itself. An empty first line means
    // the default knowledge base.
    void theDefaultFollowsTheProgramsReadingOfTheSettings()
    {
        const QString startedFrom = QDir::currentPath();
        QVERIFY(QDir().mkpath(path(u"started-from"_s)));
        QVERIFY(QDir::setCurrent(path(u"started-from"_s)));
        const auto back = qScopeGuard([&] { QDir::setCurrent(startedFrom); });
        writeBytes(m_places.program.settingsFile(), "C:\\Program Files\\Donguri\\old.mdb\r\n");
        writeBytes(path(u"in.tsv"_s), Header + tsvRows(2));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"a drive-letter path"_s));
        QCOMPARE(run({u"import"_s, path(u"in.tsv"_s)}), Success);
        QCOMPARE(entriesOf(path(u"program/old.mdb"_s)).size(), 2);
        QCOMPARE(QDir(path(u"started-from"_s)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());

        writeBytes(m_places.program.settingsFile(), "\r\n");
        FileKnowledgeBase(m_places.program.defaultDatabase()).add(u"既定"_s, u"x"_s, {});
        QCOMPARE(run({u"stats"_s}), Success);
        QVERIFY2(m_out.contains(u"Entries: 1\n"_s), qPrintable(m_out));
    }

    void statsOnAGoodDatabase()
    {
        FileKnowledgeBase(m_db).addAll(awkwardEntries());
        QCOMPARE(run({u"stats"_s, u"--db"_s, m_db}), Success);
        QVERIFY2(m_out.contains(u"Entries: %1\n"_s.arg(awkwardEntries().size())),
                 qPrintable(m_out));
        QVERIFY(m_out.contains(u"Size: %1 bytes ("_s.arg(QFileInfo(m_db).size())));
        QVERIFY(m_out.endsWith(u"Integrity: ok\n"_s));
    }

    void statsReportsProblemsAndMissingFiles()
    {
        FileKnowledgeBase(m_db).add(u"空白つき "_s, u"x"_s, {});
        breakWordIndex(m_db);
        QCOMPARE(run({u"stats"_s, u"--db"_s, m_db}), Failure);
        QVERIFY2(m_out.contains(u"言葉_照合語"_s), qPrintable(m_out));

        const QString missing = path(u"missing.mdb"_s);
        QCOMPARE(run({u"stats"_s, u"--db"_s, missing}), Failure);
        QVERIFY(!QFileInfo::exists(missing));
    }

    void progressBarOnlyForLargeFilesOnATerminal_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("bar");
        QTest::newRow("large, terminal") << true << 6000 << true;
        QTest::newRow("large, redirected") << false << 6000 << false;
        QTest::newRow("small, terminal") << true << 100 << false;
    }
    void progressBarOnlyForLargeFilesOnATerminal()
    {
        QFETCH(bool, terminal);
        QFETCH(int, rows);
        QFETCH(bool, bar);
        m_terminal = terminal;
        writeBytes(path(u"in.tsv"_s), Header + tsvRows(rows));
        QCOMPARE(run({u"import"_s, path(u"in.tsv"_s), u"--db"_s, m_db}), Success);
        checkProgress(u"Importing"_s, rows, bar);
        m_err.clear();
        QCOMPARE(run({u"export"_s, path(u"out.tsv"_s), u"--db"_s, m_db}), Success);
        checkProgress(u"Exporting"_s, rows, bar);
    }

    void commandLineMistakes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("nothing") << QStringList{} << int(UsageError);
        QTest::newRow("help") << QStringList{u"--help"_s} << int(Success);
        QTest::newRow("unknown command") << QStringList{u"load"_s} << int(UsageError);
        QTest::newRow("export without file") << QStringList{u"export"_s} << int(UsageError);
        QTest::newRow("stats with file") << QStringList{u"stats"_s, u"a.tsv"_s} << int(UsageError);
        QTest::newRow("unknown format")
            << QStringList{u"export"_s, u"a.tsv"_s, u"--format"_s, u"xls"_s} << int(UsageError);
        QTest::newRow("format not in name")
            << QStringList{u"import"_s, u"a.txt"_s} << int(UsageError);
        QTest::newRow("unknown option") << QStringList{u"stats"_s, u"--bogus"_s} << int(UsageError);
        QTest::newRow("stats --format")
            << QStringList{u"stats"_s, u"--format"_s, u"xml"_s} << int(UsageError);
        QTest::newRow("import --append")
            << QStringList{u"import"_s, u"a.tsv"_s, u"--append"_s} << int(UsageError);
        QTest::newRow("copy --format")
            << QStringList{u"copy"_s, u"a.mdb"_s, u"b.mdb"_s, u"--format"_s, u"tsv"_s}
            << int(UsageError);
        QTest::newRow("backup without target") << QStringList{u"backup"_s} << int(UsageError);
        QTest::newRow("backup --append")
            << QStringList{u"backup"_s, u"b.mdb"_s, u"--append"_s} << int(UsageError);
        QTest::newRow("copy --replace")
            << QStringList{u"copy"_s, u"a.mdb"_s, u"b.mdb"_s, u"--replace"_s} << int(UsageError);
        QTest::newRow("backup to a server")
            << QStringList{u"backup"_s, u"postgresql://kb.example.lan/donguri"_s}
            << int(UsageError);
        QTest::newRow("unknown encoding")
            << QStringList{u"import"_s, u"a.tsv"_s, u"--encoding"_s, u"latin1"_s}
            << int(UsageError);
        QTest::newRow("stats --encoding")
            << QStringList{u"stats"_s, u"--encoding"_s, u"utf-8"_s} << int(UsageError);
        QTest::newRow("copy --encoding")
            << QStringList{u"copy"_s, u"a.mdb"_s, u"b.mdb"_s, u"--encoding"_s, u"utf-8"_s}
            << int(UsageError);
        QTest::newRow("version") << QStringList{u"--version"_s} << int(Success);
    }
    void commandLineMistakes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QCOMPARE(run(arguments), status);
        QVERIFY(!(status == Success ? m_out : m_err).isEmpty());
        QVERIFY(!QFileInfo::exists(m_places.program.defaultDatabase()));
    }

    void versionIsTheProjects()
    {
        QCOMPARE(run({u"--version"_s}), Success);
        QCOMPARE(m_out, u"donguri-kb 0.1.0\n"_s);
    }

    // However the target reaches the knowledge base or one of SQLite's files beside it, export
    // and backup (even told to replace what is there) refuse it, the knowledge base stays whole
    // and nothing is left beside it.
    void neverWritesOverTheKnowledgeBase_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("linkTo"); // "symlink:NAME" or "hardlink:NAME", or empty
        const QList<std::pair<const char *, QStringList>> commands = {
            {"export", {u"export"_s, u"--format"_s, u"tsv"_s}},
            {"backup", {u"backup"_s, u"--replace"_s}}};
        for (const auto &[name, command] : commands) {
            const auto row = [name](const char *what) {
                return &QTest::addRow("%s: %s", name, what);
            };
            *row("the file itself") << command << u"kb.mdb"_s << QString();
            *row("by another spelling") << command << u"./sub/../kb.mdb"_s << QString();
            *row("symbolic link") << command << u"link.tsv"_s << u"symlink:kb.mdb"_s;
            *row("hard link") << command << u"hard.tsv"_s << u"hardlink:kb.mdb"_s;
            *row("its -wal") << command << u"kb.mdb-wal"_s << QString();
            *row("its -shm") << command << u"kb.mdb-shm"_s << QString();
            *row("link to a -journal not made yet")
                << command << u"journal.tsv"_s << u"symlink:kb.mdb-journal"_s;
        }
    }
    void neverWritesOverTheKnowledgeBase()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, target);
        QFETCH(QString, linkTo);
        FileKnowledgeBase(m_db).addAll(awkwardEntries());
        QDir(m_dir->path()).mkdir(u"sub"_s);
        const QString targetPath = path(target);
        if (linkTo.startsWith(u"symlink:"))
            QVERIFY(QFile::link(path(linkTo.section(u':', 1)), targetPath));
        if (linkTo.startsWith(u"hardlink:"))
            QCOMPARE(::link(QFile::encodeName(path(linkTo.section(u':', 1))).constData(),
                            QFile::encodeName(targetPath).constData()),
                     0);
        const QList<QStringList> before = entriesOf(m_db);
        const QStringList files = filesThere();

        command.insert(1, targetPath);
        QCOMPARE(run(command + QStringList{u"--db"_s, m_db}), Failure);
        QVERIFY2(m_err.contains(u"will not write"_s), qPrintable(m_err));
        QVERIFY2(m_err.contains(m_db), qPrintable(m_err));
        QCOMPARE(filesThere(), files);
        QCOMPARE(entriesOf(m_db), before);
        QCOMPARE(FileKnowledgeBase(m_db).integrityProblems(), QStringList());
    }

    // Another handle keeps adding entries while the backup runs. The copy is the knowledge base
    // at one moment: whole, a plain file with nothing beside it, with every entry committed
    // before the backup began, and each entry as it was written.
    void aBackupIsOneMomentWhileAnotherHandleWrites()
    {
        FileKnowledgeBase(m_db).addAll(manyEntries(3000, 1000));
        std::atomic<bool> stop = false;
        QSemaphore writing;
        std::unique_ptr<QThread> writer(QThread::create([&] {
            FileKnowledgeBase kb(m_db);
            for (int i = 0; !stop && i < 100'000; ++i) {
                kb.add(u"書き足し%1"_s.arg(i), u"途中"_s, {});
                if (i == 0)
                    writing.release();
            }
        }));
        writer->start();
        writing.acquire();
        const qint64 committedBefore = FileKnowledgeBase(m_db).countAll();
        const QString target = path(u"backup.mdb"_s);
        const int status = run({u"backup"_s, target, u"--db"_s, m_db});
        stop = true;
        writer->wait();

        QCOMPARE(status, Success);
        QVERIFY2(m_out.startsWith(u"Backed up "_s), qPrintable(m_out));
        QCOMPARE(journalFormat(target), 1);
        for (const QString &suffix : sqliteFileSuffixes())
            QVERIFY2(!QFileInfo::exists(target + suffix), qPrintable(suffix));
        QCOMPARE(sqlNumber(target, "SELECT count(*) FROM pragma_integrity_check"
                                   " WHERE integrity_check <> 'ok'"),
                 0);
        const QList<QStringList> copied = entriesOf(target);
        QVERIFY2(copied.size() >= committedBefore, qPrintable(QString::number(copied.size())));
        QCOMPARE(copied, entriesOf(m_db).mid(0, copied.size()));
    }

    void anExistingTargetIsReplacedOnlyWhenAsked()
    {
        FileKnowledgeBase(m_db).addAll(awkwardEntries());
        const QString target = path(u"backup.mdb"_s);
        writeBytes(target, "the previous backup\n");
        QCOMPARE(run({u"backup"_s, target, u"--db"_s, m_db}), Failure);
        QVERIFY2(m_err.contains(u"exists already"_s) && m_err.contains(u"--replace"_s),
                 qPrintable(m_err));
        QCOMPARE(fileBytes(target), "the previous backup\n"_ba);

        // Through a symbolic link, the file it leads to is replaced; the link stays.
        const QString link = path(u"latest.mdb"_s);
        QVERIFY(QFile::link(target, link));
        QCOMPARE(run({u"backup"_s, link, u"--db"_s, m_db, u"--replace"_s}), Success);
        QVERIFY2(m_out.contains(u"Backed up %1 entries"_s.arg(awkwardEntries().size())),
                 qPrintable(m_out));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(entriesOf(target), entriesOf(m_db));
        QCOMPARE(filesThere(),
                 (QStringList{u"backup.mdb"_s, u"kb.mdb"_s, u"latest.mdb"_s, u"program"_s}));

        // Only a file is replaced.
        QVERIFY(QDir(m_dir->path()).mkdir(u"folder.mdb"_s));
        QCOMPARE(run({u"backup"_s, path(u"folder.mdb"_s), u"--db"_s, m_db, u"--replace"_s}),
                 Failure);
        QVERIFY2(m_err.contains(u"it is not a file"_s), qPrintable(m_err));
    }

    // A target that cannot be written, found before or while the backup is written: the command
    // fails, saying so, and leaves nothing anywhere.
    void aBackupThatCannotBeWrittenLeavesNothing_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<qint64>("fileSizeLimit"); // 0: none
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder")
            << u"missing/backup.mdb"_s << qint64(0) << u"its folder does not exist"_s;
        QTest::newRow("a file for a folder") << u"in.tsv/backup.mdb"_s << qint64(0) << QString();
        QTest::newRow("no room halfway") << u"backup.mdb"_s << qint64(1024 * 1024) << QString();
    }
    void aBackupThatCannotBeWrittenLeavesNothing()
    {
        QFETCH(QString, target);
        QFETCH(qint64, fileSizeLimit);
        QFETCH(QString, reason);
        FileKnowledgeBase(m_db).addAll(manyEntries(2000, 1000));
        writeBytes(path(u"in.tsv"_s), Header);
        const QStringList files = filesThere();
        int status = -1;
        {
            const std::optional<FileSizeLimit> limit =
                fileSizeLimit > 0 ? std::optional<FileSizeLimit>(std::in_place, fileSizeLimit)
                                  : std::nullopt;
            status = run({u"backup"_s, path(target), u"--db"_s, m_db});
        }
        QCOMPARE(status, Failure);
        QVERIFY2(m_err.contains(u"cannot back up"_s) && m_err.contains(path(target)),
                 qPrintable(m_err));
        QVERIFY2(m_err.contains(reason), qPrintable(m_err));
        QCOMPARE(filesThere(), files);
        QCOMPARE(FileKnowledgeBase(m_db).integrityProblems(), QStringList());
    }

    void exportDashWritesStandardOutput()
    {
        FileKnowledgeBase(m_db).addAll({{u"どんぐり"_s, u"木の実"_s, {}}});
        QCOMPARE(run({u"export"_s, u"-"_s, u"--db"_s, m_db}), Success);
        QCOMPARE(m_data, Header + "どんぐり\t木の実\t\n");
        QCOMPARE(m_out, QString()); // nothing mixed into the rows
        QVERIFY(!QFileInfo::exists(u"-"_s));
        m_data.clear();
        QCOMPARE(run({u"export"_s, u"-"_s, u"--db"_s, m_db, u"--format"_s, u"csv"_s}), Success);
        QCOMPARE(m_data, "言葉,意味,リンク\nどんぐり,木の実,\n"_ba);
    }

    // The entries are read while the file is written: a knowledge base damaged halfway leaves
    // the previous export as it was, and no half-written file beside it.
    void aFailedExportLeavesTheOldFile()
    {
        FileKnowledgeBase(m_db).addAll(manyEntries(3000, 200));
        const QString target = path(u"old.tsv"_s);
        writeBytes(target, "the previous export\n");
        QByteArray damaged = fileBytes(m_db);
        QVERIFY(damaged.size() > 200 * 4096);
        damaged.replace(100 * 4096, 4096, QByteArray(4096, '\xFF'));
        writeBytes(m_db, damaged);

        QCOMPARE(run({u"export"_s, target, u"--db"_s, m_db}), Failure);
        QVERIFY2(m_err.contains(m_db), qPrintable(m_err));
        QCOMPARE(fileBytes(target), "the previous export\n"_ba);
        QCOMPARE(QDir(m_dir->path()).entryList({u"old.tsv*"_s}, QDir::Files),
                 QStringList{u"old.tsv"_s});
    }

    // A row far longer than the reader's buffer goes in whole, in a CSV file and a TSV file.
    void aHugeFieldIsImportedWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("tsv") << u"huge.tsv"_s;
        QTest::newRow("csv") << u"huge.csv"_s;
    }
    void aHugeFieldIsImportedWhole()
    {
        QFETCH(QString, name);
        QString meaning = QString(4'000'000, u'実') + u"\"quoted\"\nand, a line"_s;
        meaning += QString(1'000'000, u'x');
        const QString word = u"大きな言葉"_s;
        FileKnowledgeBase(m_db).addAll(
            {{word, meaning, u"https://example.com/"_s}, {u"after"_s, u"small"_s, {}}});
        const QString file = path(name);
        QCOMPARE(run({u"export"_s, file, u"--db"_s, m_db}), Success);
        const QString copy = path(u"copy.mdb"_s);
        QCOMPARE(run({u"import"_s, file, u"--db"_s, copy}), Success);
        QCOMPARE(entriesOf(copy), entriesOf(m_db));
        QCOMPARE(FileKnowledgeBase(copy).entry(1)->meaning->size(), meaning.size());
    }

    // However a row goes on past the bound (to the end of a file without another line break, in
    // the device that never ends, from a pipe whose writer never stops), the import reads no
    // further, names the row's line and adds nothing.
    void aRowPastTheBoundEndsTheImport_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("line");
        QTest::newRow("file without a line break, tsv") << u"file"_s << u"tsv"_s << 2;
        QTest::newRow("file without a line break, csv") << u"file"_s << u"csv"_s << 2;
        QTest::newRow("/dev/zero, csv") << u"/dev/zero"_s << u"csv"_s << 1;
        QTest::newRow("/dev/zero, tsv") << u"/dev/zero"_s << u"tsv"_s << 1;
        QTest::newRow("endless pipe, tsv") << u"fifo"_s << u"tsv"_s << 2;
        QTest::newRow("endless pipe, csv") << u"fifo"_s << u"csv"_s << 2;
    }
    void aRowPastTheBoundEndsTheImport()
    {
        QFETCH(QString, source);
        QFETCH(QString, format);
        QFETCH(int, line);
        constexpr qint64 MiB = 1024 * 1024;
        m_limits.maxRowBytes = MiB;
        FileKnowledgeBase(m_db).add(u"前から"_s, u"ある"_s, {});
        const QByteArray before = fileBytes(m_db);
        const QByteArray header = encodeRow(headerFields(), *formatNamed(format));
        QString file = source;
        std::unique_ptr<FifoWriter> writer;
        if (source == u"file") {
            file = path(u"long."_s + format);
            writeBytes(file, header + QByteArray(3 * MiB, 'x'));
        } else if (source == u"fifo") {
            file = path(u"endless."_s + format);
            writer =
                std::make_unique<FifoWriter>(file, header, QByteArray(64 * 1024, 'x'), 64 * MiB);
            QVERIFY(writer->made());
        }

        QCOMPARE(run({u"import"_s, file, u"--db"_s, m_db, u"--format"_s, format}), Failure);
        QVERIFY2(m_err.contains(u"%1, line %2: a row longer than 1 MiB, the most one row may hold; "
                                "nothing was added to "_s.arg(file)
                                    .arg(line)),
                 qPrintable(m_err));
        QCOMPARE(fileBytes(m_db), before);
        QCOMPARE(FileKnowledgeBase(m_db).countAll(), 1);
        if (writer) {
            QVERIFY(writer->stoppedByReader());
            QVERIFY2(writer->written() < 4 * MiB, qPrintable(QString::number(writer->written())));
        }
    }

    // A pipe can be read only once, and its writer is gone once it has written (a small file
    // fits into the pipe at once): on a terminal too, its rows are imported without first being
    // counted for a bar, which would wait for another writer.
    void aPipeIsImportedWholeOnATerminal()
    {
        m_terminal = true;
        const QString fifo = path(u"rows.tsv"_s);
        FifoWriter writer(fifo, Header + tsvRows(100), {}, 0);
        QVERIFY(writer.made());
        int status = -1;
        QVERIFY(finishesWithin(
            20000,
            [&] {
                status = run({u"import"_s, fifo, u"--db"_s, m_db});
            },
            fifo));
        QCOMPARE(status, Success);
        QVERIFY2(m_out.startsWith(u"Added 100 entries"_s), qPrintable(m_out + m_err));
        QCOMPARE(m_err, QString());
        QCOMPARE(FileKnowledgeBase(m_db).countAll(), 100);
    }

    void messagesCutLongNames()
    {
        const QString longName = path(QString(5000, u'n') + u".mdb"_s);
        QCOMPARE(run({u"stats"_s, u"--db"_s, longName}), Failure);
        QVERIFY2(m_err.size() < 400, qPrintable(m_err));
        QVERIFY(m_err.contains(u'…'));
        // A settings file that names a knowledge base of 60000 characters (a longer first line
        // is not read at all).
        m_err.clear();
        writeBytes(m_places.program.settingsFile(), QByteArray(60'000, 'k') + "\r\n");
        QCOMPARE(run({u"stats"_s}), Failure);
        QVERIFY2(m_err.size() < 400, qPrintable(m_err.left(400)));
        QVERIFY(m_err.contains(u"kkk…kkk"_s));
    }

    // Whatever form the password takes in a server address, no output shows it; a failed
    // connection still says which server it was.
    void passwordsNeverShow_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("secrets");
        const QString socket = path(u"no-server"_s);
        QTest::newRow("URI user info") << u"postgresql://kagi:hi%3Fmitsu@/db?host=%1"_s.arg(socket)
                                       << QStringList{u"hi%3Fmitsu"_s, u"hi?mitsu"_s};
        QTest::newRow("?password=") << u"postgresql:///db?host=%1&password=himitsu9"_s.arg(socket)
                                    << QStringList{u"himitsu9"_s};
        QTest::newRow("password= with quotes")
            << u"host=%1 dbname=db password='a \\'b c'"_s.arg(socket)
            << QStringList{u"a \\'b c"_s, u"a 'b c"_s};
        QTest::newRow("password= plain")
            << u"password=himitsu7 host=%1"_s.arg(socket) << QStringList{u"himitsu7"_s};
    }
    void passwordsNeverShow()
    {
        QFETCH(QString, address);
        QFETCH(QStringList, secrets);
        writeBytes(path(u"in.tsv"_s), Header + tsvRows(1));
        QCOMPARE(run({u"stats"_s, u"--db"_s, address}), Failure);
        QCOMPARE(run({u"import"_s, path(u"in.tsv"_s), u"--db"_s, address}), Failure);
        QCOMPARE(run({u"export"_s, path(u"out.tsv"_s), u"--db"_s, address}), Failure);
        QCOMPARE(run({u"copy"_s, address, path(u"copy.mdb"_s)}), Failure);
        QCOMPARE(run({u"backup"_s, path(u"backup.mdb"_s), u"--db"_s, address}), Failure);
        for (const QString &secret : secrets)
            QVERIFY2(!(m_out + m_err).contains(secret), qPrintable(m_err));
        QVERIFY2(m_err.contains(u"cannot connect to"_s), qPrintable(m_err));
        QVERIFY(m_err.contains(u"***"_s));
        QVERIFY2(m_err.contains(u"nothing was added"_s), qPrintable(m_err));
        // Taken as a server, never as a file of that name.
        QVERIFY(!QFileInfo::exists(address));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"in.tsv"_s});
    }

    // donguri-kb itself beside a donguri.ini that cannot be read: it goes on at once with the
    // knowledge base beside it, as the program would.
    void theProgramIsNotHeldUpByItsSettingsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << u"fifo"_s;
        QTest::newRow("link to /dev/zero") << u"zero"_s;
        QTest::newRow("10 MB line") << u"long"_s;
    }
    void theProgramIsNotHeldUpByItsSettingsFile()
    {
        QFETCH(QString, kind);
        const QString program = path(u"program/donguri-kb"_s);
        QVERIFY(QFile::copy(QStringLiteral(DONGURI_KB_EXECUTABLE), program));
        const QString settings = path(u"program/donguri.ini"_s);
        if (kind == u"fifo")
            QVERIFY(makeFifo(settings));
        else if (kind == u"zero")
            QVERIFY(linkToDevZero(settings));
        else
            writeBytes(settings, QByteArray(10 * 1024 * 1024, 'x'));
        FileKnowledgeBase(path(u"program/どんぐりくん.mdb"_s)).add(u"どんぐり"_s, u"木の実"_s, {});

        QProcess donguriKb;
        donguriKb.start(program, {u"stats"_s});
        const bool ended = donguriKb.waitForFinished(20000);
        if (!ended) {
            donguriKb.kill();
            donguriKb.waitForFinished();
        }
        QVERIFY2(ended, "donguri-kb did not end");
        QCOMPARE(donguriKb.exitCode(), Success);
        QVERIFY(donguriKb.readAllStandardOutput().contains("\nEntries: 1\n"));
        QVERIFY(donguriKb.readAllStandardError().size() < 1000);
    }

    // The program itself, with its error output in a pipe: results on stdout, no bar.
    void theProgramDrawsNoBarIntoAPipe()
    {
        writeBytes(path(u"in.tsv"_s), Header + tsvRows(6000));
        QProcess program;
        program.start(QStringLiteral(DONGURI_KB_EXECUTABLE),
                      {u"import"_s, path(u"in.tsv"_s), u"--db"_s, m_db});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), Success);
        QCOMPARE(program.readAllStandardError(), QByteArray());
        QVERIFY(program.readAllStandardOutput().startsWith("Added 6000 entries"));
    }

private:
    // Everything in the test's folder, hidden files included.
    QStringList filesThere() const
    {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    void checkProgress(const QString &label, int rows, bool bar)
    {
        if (!bar) {
            QCOMPARE(m_err, QString());
            return;
        }
        QVERIFY2(m_err.startsWith(u'\r' + label + u" ["_s), qPrintable(m_err.left(80)));
        QVERIFY(m_err.endsWith(u"100% %1/%1\n"_s.arg(rows)));
        QVERIFY(m_err.count(u'\r') <= 102); // redrawn per percent, not per row
    }
};

QTEST_GUILESS_MAIN(TestKbCommand)
#include "test_kb_command.moc"

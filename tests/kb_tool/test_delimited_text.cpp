// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_tool/delimited_text.h"
#include "support/iconv_text.h"

#include <QBuffer>
#include <QTest>

using namespace donguri::kbtool;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace {

// Text that can be read only once, as from a pipe.
class OnceOnlyBuffer : public QBuffer
{
public:
    using QBuffer::QBuffer;
    bool isSequential() const override { return true; }

protected:
    // A sequential device has no position of its own to read from.
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min<qint64>(maxSize, buffer().size() - m_read);
        std::copy_n(buffer().constData() + m_read, count, data);
        m_read += count;
        return count;
    }

private:
    qint64 m_read = 0;
};

// Text that never ends, as from /dev/zero or a writer that never stops: `start`, then `filler`
// over and over. It counts how much it handed out.
class EndlessText : public QIODevice
{
public:
    EndlessText(const QByteArray &start, char filler) : m_start(start), m_filler(filler)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 handedOut() const { return m_handedOut; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 fromStart = std::clamp<qint64>(m_start.size() - m_handedOut, 0, maxSize);
        std::copy_n(m_start.constData() + m_handedOut, fromStart, data);
        std::fill_n(data + fromStart, maxSize - fromStart, m_filler);
        m_handedOut += maxSize;
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_start;
    char m_filler;
    qint64 m_handedOut = 0;
};

// Text a pipe hands out a few bytes at a time, so that characters of every encoding are cut
// anywhere between two reads.
class TricklingText : public QIODevice
{
public:
    TricklingText(const QByteArray &text, qint64 piece) : m_text(text), m_piece(piece)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min({maxSize, m_piece, m_text.size() - m_read});
        std::copy_n(m_text.constData() + m_read, count, data);
        m_read += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_text;
    qint64 m_piece;
    qint64 m_read = 0;
};

struct ReadText
{
    QList<QStringList> fields;
    QList<qsizetype> lines;
    TextEncoding encoding = TextEncoding::Utf8;
};

ReadText readAll(QIODevice &input, std::optional<TextEncoding> encoding = std::nullopt)
{
    RowReader reader(input, TextFormat::Csv, encoding);
    ReadText read;
    while (std::optional<TextRow> row = reader.next()) {
        read.fields << row->fields;
        read.lines << row->line;
    }
    read.encoding = reader.encoding();
    return read;
}

// UTF-16 as the host (x86, little-endian) holds it, lone surrogates and all.
QByteArray utf16le(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), 2 * text.size());
}

// Rows whose characters CP932 holds, with the bytes that trip Shift_JIS readers: 0x5C as the
// second byte of 表, ソ and 能, NEC's ①, half-width katakana, a backslash and a tilde, and line
// breaks inside quotes, CR LF among them.
const QByteArray JapaneseRows = "言葉,意味,リンク\r\n"
                                "表,\"ソ\r\n能\",①\r\n"
                                "ｶﾀｶﾅ,\"a \"\"q\"\", b\nc\",\\~\r\n"_ba;
const QList<QStringList> JapaneseFields = {{u"言葉"_s, u"意味"_s, u"リンク"_s},
                                           {u"表"_s, u"ソ\r\n能"_s, u"①"_s},
                                           {u"ｶﾀｶﾅ"_s, u"a \"q\", b\nc"_s, u"\\~"_s}};
const QList<qsizetype> JapaneseLines = {1, 2, 4};

} // namespace

class TestDelimitedText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodesRows_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("tsv");
        QTest::addColumn<QByteArray>("csv");
        QTest::newRow("plain") << QStringList{u"どんぐり"_s, u"木の実"_s, u""_s}
                               << "どんぐり\t木の実\t\n"_ba
                               << "どんぐり,木の実,\n"_ba;
        QTest::newRow("tab") << QStringList{u"a\tb"_s} << "\"a\tb\"\n"_ba
                             << "a\tb\n"_ba;
        QTest::newRow("comma") << QStringList{u"a,b"_s} << "a,b\n"_ba
                               << "\"a,b\"\n"_ba;
        QTest::newRow("quotes doubled") << QStringList{u"say \"hi\""_s} << "\"say \"\"hi\"\"\"\n"_ba
                                        << "\"say \"\"hi\"\"\"\n"_ba;
        QTest::newRow("lone quote") << QStringList{u"\""_s} << "\"\"\"\"\n"_ba
                                    << "\"\"\"\"\n"_ba;
        QTest::newRow("CR LF") << QStringList{u"一\r\n二"_s} << "\"一\r\n二\"\n"_ba
                               << "\"一\r\n二\"\n"_ba;
        QTest::newRow("lone CR") << QStringList{u"x\ry"_s} << "\"x\ry\"\n"_ba
                                 << "\"x\ry\"\n"_ba;
        QTest::newRow("LF") << QStringList{u"x\n"_s} << "\"x\n\"\n"_ba
                            << "\"x\n\"\n"_ba;
        QTest::newRow("blanks, apostrophe, star unquoted")
            << QStringList{u" どんぐり  "_s, u"it's"_s, u"*"_s} << " どんぐり  \tit's\t*\n"_ba
            << " どんぐり  ,it's,*\n"_ba;
        QTest::newRow("byte-order mark in a field") << QStringList{u"\uFEFFa"_s, u"🌰"_s}
                                                    << "\xEF\xBB\xBF"
                                                       "a\t🌰\n"_ba
                                                    << "\xEF\xBB\xBF"
                                                       "a,🌰\n"_ba;
    }
    void encodesRows()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, tsv);
        QFETCH(QByteArray, csv);
        QCOMPARE(encodeRow(fields, TextFormat::Tsv), tsv);
        QCOMPARE(encodeRow(fields, TextFormat::Csv), csv);
    }

    // Every row the writer makes reads back as the same fields; the mark in the last row is
    // not at the start of the text, so it stays part of the field.
    void encodedRowsReadBack_data() { encodesRows_data(); }
    void encodedRowsReadBack()
    {
        QFETCH(QStringList, fields);
        for (const TextFormat format : {TextFormat::Tsv, TextFormat::Csv}) {
            const QByteArray text = "h\n" + encodeRow(fields, format);
            const QList<TextRow> rows = readRows(text, format);
            QCOMPARE(rows.size(), 2);
            QCOMPARE(rows[1].fields, fields);
        }
    }

    void readsRows_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("csv");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QList<qsizetype>>("lines");
        const QList<QStringList> abcd{{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}};
        QTest::newRow("LF") << "a\tb\nc\td\n"_ba << false << abcd << QList<qsizetype>{1, 2};
        QTest::newRow("CR LF") << "a\tb\r\nc\td\r\n"_ba << false << abcd << QList<qsizetype>{1, 2};
        QTest::newRow("no last row end")
            << "a\tb\nc\td"_ba << false << abcd << QList<qsizetype>{1, 2};
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF"
                                            "a\tb\nc\td\n"_ba
                                         << false << abcd << QList<qsizetype>{1, 2};
        QTest::newRow("line breaks inside quotes")
            << "\"x\r\ny\n\"\tz\r\nc\td\n"_ba << false
            << QList<QStringList>{{u"x\r\ny\n"_s, u"z"_s}, {u"c"_s, u"d"_s}}
            << QList<qsizetype>{1, 4};
        QTest::newRow("empty and quoted-empty fields")
            << "\t\"\"\t\n"_ba << false << QList<QStringList>{{u""_s, u""_s, u""_s}}
            << QList<qsizetype>{1};
        QTest::newRow("empty line is one empty field")
            << "a\n\nb"_ba << false << QList<QStringList>{{u"a"_s}, {u""_s}, {u"b"_s}}
            << QList<qsizetype>{1, 2, 3};
        QTest::newRow("comma is text in TSV")
            << "a,b\t\"c\"\"\"\n"_ba << false << QList<QStringList>{{u"a,b"_s, u"c\""_s}}
            << QList<qsizetype>{1};
        QTest::newRow("CSV") << "a,\"b,\nc\"\r\n\"d\te\",f\n"_ba << true
                             << QList<QStringList>{{u"a"_s, u"b,\nc"_s}, {u"d\te"_s, u"f"_s}}
                             << QList<qsizetype>{1, 3};
        QTest::newRow("nothing") << QByteArray() << false << QList<QStringList>{}
                                 << QList<qsizetype>{};
    }
    void readsRows()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, csv);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QList<qsizetype>, lines);
        const QList<TextRow> read = readRows(text, csv ? TextFormat::Csv : TextFormat::Tsv);
        QList<QStringList> readFields;
        QList<qsizetype> readLines;
        for (const TextRow &row : read) {
            readFields << row.fields;
            readLines << row.line;
        }
        QCOMPARE(readFields, rows);
        QCOMPARE(readLines, lines);
    }

    void refusesBrokenText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qsizetype>("line");
        QTest::newRow("unclosed quote") << "a\tb\n\"c\n\nd"_ba << qsizetype(2);
        QTest::newRow("unclosed after a multi-line field")
            << "\"a\n\nb\"\tc\nd\t\"e"_ba << qsizetype(4);
        QTest::newRow("unclosed quote opened on a row's second line")
            << "h\na\t\"x\ny\"\t\"z\nw\n"_ba << qsizetype(3);
        QTest::newRow("text after closing quote") << "a\n\"b\"c\td\n"_ba << qsizetype(2);
        QTest::newRow("quote inside unquoted field") << "a\nb\"c\n"_ba << qsizetype(2);
        QTest::newRow("CR alone") << "a\nb\rc\n"_ba << qsizetype(2);
        QTest::newRow("CR at the very end") << "a\nb\r"_ba << qsizetype(2);
        QTest::newRow("stray continuation byte") << "a\n\x80\n"_ba << qsizetype(2);
        QTest::newRow("sequence cut by a tab") << "a\n\xE3\x81\tb\n"_ba << qsizetype(2);
        QTest::newRow("overlong slash") << "a\n\xC0\xAF\n"_ba << qsizetype(2);
        QTest::newRow("bad byte late in a quoted field") << "a\n\"x\ny\xFF\"\n"_ba << qsizetype(2);
    }
    void refusesBrokenText()
    {
        QFETCH(QByteArray, text);
        QFETCH(qsizetype, line);
        try {
            // Read as UTF-8 whatever else the bytes might be (a cut sequence is CP932).
            readRows(text, TextFormat::Tsv, TextEncoding::Utf8);
            QFAIL("the text was accepted");
        } catch (const TextError &error) {
            QCOMPARE(error.line(), line);
        }
    }

    // The same rows from text in each encoding a word list comes in, converted by iconv: told
    // from the bytes, from a file and from a pipe, or as given.
    void readsEveryEncoding_data()
    {
        QTest::addColumn<QString>("iconvName"); // empty: UTF-8 as written here
        QTest::addColumn<QByteArray>("mark");   // written before the text
        QTest::addColumn<std::optional<TextEncoding>>("given");
        QTest::addColumn<TextEncoding>("read");
        const std::optional<TextEncoding> told;
        const QByteArray none;
        QTest::newRow("UTF-8") << QString() << none << told << TextEncoding::Utf8;
        QTest::newRow("UTF-8 with a mark")
            << QString() << "\xEF\xBB\xBF"_ba << told << TextEncoding::Utf8;
        QTest::newRow("UTF-8, given")
            << QString() << none << std::optional(TextEncoding::Utf8) << TextEncoding::Utf8;
        QTest::newRow("CP932") << u"CP932"_s << none << told << TextEncoding::ShiftJis;
        QTest::newRow("CP932, given") << u"CP932"_s << none << std::optional(TextEncoding::ShiftJis)
                                      << TextEncoding::ShiftJis;
        QTest::newRow("UTF-16LE with a mark")
            << u"UTF-16LE"_s << "\xFF\xFE"_ba << told << TextEncoding::Utf16;
        QTest::newRow("UTF-16BE with a mark")
            << u"UTF-16BE"_s << "\xFE\xFF"_ba << told << TextEncoding::Utf16;
        QTest::newRow("UTF-16LE without a mark, given")
            << u"UTF-16LE"_s << none << std::optional(TextEncoding::Utf16) << TextEncoding::Utf16;
        QTest::newRow("UTF-16BE with a mark, given")
            << u"UTF-16BE"_s << "\xFE\xFF"_ba << std::optional(TextEncoding::Utf16)
            << TextEncoding::Utf16;
    }
    void readsEveryEncoding()
    {
        QFETCH(QString, iconvName);
        QFETCH(QByteArray, mark);
        QFETCH(std::optional<TextEncoding>, given);
        QFETCH(TextEncoding, read);
        const QByteArray converted =
            iconvName.isEmpty() ? JapaneseRows : iconvBytes(JapaneseRows, iconvName);
        QVERIFY(!converted.isEmpty());
        QByteArray text = mark + converted;
        for (const bool onceOnly : {false, true}) {
            std::unique_ptr<QBuffer> input = onceOnly ? std::make_unique<OnceOnlyBuffer>(&text)
                                                      : std::make_unique<QBuffer>(&text);
            QVERIFY(input->open(QIODevice::ReadOnly));
            const ReadText rows = readAll(*input, given);
            QCOMPARE(rows.fields, JapaneseFields);
            QCOMPARE(rows.lines, JapaneseLines);
            QCOMPARE(rows.encoding, read);
        }
    }

    // A pipe that hands out a few bytes at a time cuts characters of every length anywhere:
    // CP932's two bytes (0x5C second among them), UTF-16's two and a surrogate pair's four.
    void charactersCutBetweenReadsReadTheSame_data()
    {
        QTest::addColumn<QString>("iconvName");
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<bool>("cp932Only"); // no character outside CP932
        QTest::newRow("CP932") << u"CP932"_s << QByteArray() << TextEncoding::ShiftJis << true;
        QTest::newRow("UTF-16LE") << u"UTF-16LE"_s << "\xFF\xFE"_ba << TextEncoding::Utf16 << false;
        QTest::newRow("UTF-16BE") << u"UTF-16BE"_s << "\xFE\xFF"_ba << TextEncoding::Utf16 << false;
        QTest::newRow("UTF-8") << QString() << QByteArray() << TextEncoding::Utf8 << false;
    }
    void charactersCutBetweenReadsReadTheSame()
    {
        QFETCH(QString, iconvName);
        QFETCH(QByteArray, mark);
        QFETCH(TextEncoding, encoding);
        QFETCH(bool, cp932Only);
        const QByteArray rows = JapaneseRows + (cp932Only ? "" : "𠮷野家,🌰,\n");
        QList<QStringList> fields = JapaneseFields;
        if (!cp932Only)
            fields << QStringList{u"𠮷野家"_s, u"🌰"_s, QString()};
        const QByteArray text = mark + (iconvName.isEmpty() ? rows : iconvBytes(rows, iconvName));
        for (const qint64 piece : {1, 2, 3, 5, 7}) {
            TricklingText input(text, piece);
            QCOMPARE(readAll(input, encoding).fields, fields);
        }
    }

    // A file is judged by all of its bytes, a pipe by its first DecidingBytes: text that turns
    // to CP932 only after those is read as CP932 from a file and refused from a pipe, at its
    // line, saying what to do.
    void aFileIsJudgedWholeAPipeByItsStart()
    {
        const qsizetype asciiRows = DecidingBytes / 2 + 1;
        QByteArray text = "h\n" + QByteArray("a\n").repeated(asciiRows) + "\x95\x5C\n"_ba;
        QBuffer file(&text);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const ReadText fromFile = readAll(file);
        QCOMPARE(fromFile.encoding, TextEncoding::ShiftJis);
        QCOMPARE(fromFile.fields.last(), QStringList{u"表"_s});
        QCOMPARE(fromFile.lines.last(), asciiRows + 2);

        OnceOnlyBuffer pipe(&text);
        QVERIFY(pipe.open(QIODevice::ReadOnly));
        RowReader reader(pipe, TextFormat::Csv);
        qsizetype rows = 0;
        try {
            while (reader.next())
                ++rows;
            QFAIL("the pipe's later CP932 was taken");
        } catch (const TextError &error) {
            QCOMPARE(error.line(), asciiRows + 2);
            QCOMPARE(rows, asciiRows + 1);
            QVERIFY2(error.reason().contains(u"give --encoding shift_jis"_s),
                     qPrintable(error.reason()));
        }
    }

    // Text in no encoding the reader knows, or not in the one given, is refused at its line,
    // saying what to do; the rows before it are read first, so that the file's first fault is
    // the one named. Told from the bytes, the line is where the encoding that read further
    // stopped.
    void refusesTextOutsideItsEncoding_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<std::optional<TextEncoding>>("given");
        QTest::addColumn<qsizetype>("line");
        QTest::addColumn<qsizetype>("rowsBefore");
        QTest::addColumn<QString>("reason");
        const std::optional<TextEncoding> told;
        const QString neither = u"text that is neither UTF-8 nor Shift_JIS (CP932); save the "
                                "file as UTF-8"_s;
        QTest::newRow("neither; CP932 reads further")
            << "h\n\x82\xA0\nok\n\xFF\n"_ba << told << qsizetype(4) << qsizetype(0) << neither;
        QTest::newRow("neither; UTF-8 reads further")
            << "h\nあ\nok\n\xFF\n"_ba << told << qsizetype(4) << qsizetype(0) << neither;
        QTest::newRow("neither; CP932 cut off at the end")
            << "h\n\x82"_ba << told << qsizetype(2) << qsizetype(0) << neither;
        QTest::newRow("UTF-8 given, CP932 text")
            << "h\nok\n\x82\xA0\n"_ba << std::optional(TextEncoding::Utf8) << qsizetype(3)
            << qsizetype(2)
            << u"text that is not UTF-8: it looks like Shift_JIS (CP932) or another encoding; "
               "save it as UTF-8 or give --encoding shift_jis"_s;
        QTest::newRow("Shift_JIS given, a byte CP932 lacks")
            << "h\n\x82\xA0\n\x80\n"_ba << std::optional(TextEncoding::ShiftJis) << qsizetype(3)
            << qsizetype(2) << u"text that is not Shift_JIS (CP932), which --encoding names"_s;
        QTest::newRow("Shift_JIS given, cut off at the end")
            << "h\n\x82\xA0\n\x82"_ba << std::optional(TextEncoding::ShiftJis) << qsizetype(3)
            << qsizetype(2) << u"text that is not Shift_JIS (CP932)"_s;
        const QByteArray mark("\xFF\xFE");
        const QString notUtf16 = u"text that is not UTF-16"_s;
        QTest::newRow("UTF-16, a low surrogate alone")
            << mark + utf16le(u"h\nok\n"_s + QChar(0xDC00) + u"\n"_s) << told << qsizetype(3)
            << qsizetype(2) << notUtf16;
        QTest::newRow("UTF-16, a high surrogate without its pair")
            << mark + utf16le(u"h\n"_s + QChar(0xD800) + u"a\n"_s) << told << qsizetype(2)
            << qsizetype(1) << notUtf16;
        QTest::newRow("UTF-16, a high surrogate at the end")
            << mark + utf16le(u"h\n"_s + QChar(0xD800)) << told << qsizetype(2) << qsizetype(1)
            << notUtf16;
        QTest::newRow("UTF-16, an odd byte at the end")
            << mark + utf16le(u"h\nx"_s) + "y" << told << qsizetype(2) << qsizetype(1) << notUtf16;
    }
    void refusesTextOutsideItsEncoding()
    {
        QFETCH(QByteArray, text);
        QFETCH(std::optional<TextEncoding>, given);
        QFETCH(qsizetype, line);
        QFETCH(qsizetype, rowsBefore);
        QFETCH(QString, reason);
        for (const bool onceOnly : {false, true}) {
            std::unique_ptr<QBuffer> input = onceOnly ? std::make_unique<OnceOnlyBuffer>(&text)
                                                      : std::make_unique<QBuffer>(&text);
            QVERIFY(input->open(QIODevice::ReadOnly));
            RowReader reader(*input, TextFormat::Csv, given);
            qsizetype rows = 0;
            try {
                while (reader.next())
                    ++rows;
                QFAIL("the text was accepted");
            } catch (const TextError &error) {
                QCOMPARE(error.line(), line);
                QCOMPARE(rows, rowsBefore);
                QVERIFY2(error.reason().startsWith(reason), qPrintable(error.reason()));
            }
        }
    }

    // The reader holds only a chunk of the file at a time: a row cut anywhere by the chunk's end
    // (inside a quoted field, between two quotes of a pair, between CR and LF, inside a UTF-8
    // character) reads the same, and so does a field longer than a chunk.
    void rowsCutByTheReadingReadTheSame_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("quoted, with a doubled quote and lines")
            << "\"a \"\"b\"\" c\nd\r\ne\"\tどんぐり\t\"\"\r\n"_ba
            << QStringList{u"a \"b\" c\nd\r\ne"_s, u"どんぐり"_s, QString()};
        QTest::newRow("plain, CR LF")
            << "くぬぎ\t木\tx\r\n"_ba << QStringList{u"くぬぎ"_s, u"木"_s, u"x"_s};
        QTest::newRow("longer than a chunk")
            << "\"" + QByteArray(70000, 'y') + "\"\t" + QByteArray(70000, 'z') + "\t\n"
            << QStringList{QString(70000, u'y'), QString(70000, u'z'), QString()};
    }
    void rowsCutByTheReadingReadTheSame()
    {
        QFETCH(QByteArray, row);
        QFETCH(QStringList, fields);
        constexpr qsizetype Chunk = 64 * 1024;
        // Filler rows put the special row's every byte, in turn, on the chunk's last place.
        for (qsizetype cut = 0; cut < std::min<qsizetype>(row.size(), 40); ++cut) {
            const qsizetype filler = Chunk - 1 - cut - 2; // "h\n" comes first
            QByteArray text = "h\n" + QByteArray(filler - 1, 'f') + "\n" + row + "last\n";
            const QList<TextRow> rows = readRows(text, TextFormat::Tsv);
            QCOMPARE(rows.size(), 4);
            QCOMPARE(rows[2].fields, fields);
            QCOMPARE(rows[2].line, 3);
            QCOMPARE(rows[3].fields, QStringList{u"last"_s});
            QCOMPARE(rows[3].line, 3 + row.count('\n'));
        }
    }

    // A field of megabytes, with quotes, line ends and multi-byte characters at its edges and
    // amid it, reads back whole from a file and from a pipe, and the rows after it keep their
    // line numbers.
    void longRowsReadWhole_data()
    {
        QTest::addColumn<bool>("onceOnly");
        QTest::newRow("file") << false;
        QTest::newRow("pipe") << true;
    }
    void longRowsReadWhole()
    {
        QFETCH(bool, onceOnly);
        const QByteArray middle =
            QByteArray(3'000'000, 'm') + "\"\"\n" + "木の実" + QByteArray(1'000'001, 'n');
        QByteArray text = "h\nfirst\t\"\n" + middle + "\"\tどんぐり\n" + QByteArray(2'000'000, 'u')
                          + "\tplain\n" + "last\n";
        std::unique_ptr<QBuffer> input =
            onceOnly ? std::make_unique<OnceOnlyBuffer>(&text) : std::make_unique<QBuffer>(&text);
        QVERIFY(input->open(QIODevice::ReadOnly));
        RowReader reader(*input, TextFormat::Tsv);
        QList<TextRow> rows;
        while (std::optional<TextRow> row = reader.next())
            rows << *std::move(row);
        QCOMPARE(rows.size(), 4);
        QString meaning = QString::fromUtf8(middle);
        meaning.replace(u"\"\""_s, u"\""_s);
        QCOMPARE(rows[1].fields, (QStringList{u"first"_s, u"\n"_s + meaning, u"どんぐり"_s}));
        QCOMPARE(rows[1].line, 2);
        QCOMPARE(rows[2].fields, (QStringList{QString(2'000'000, u'u'), u"plain"_s}));
        QCOMPARE(rows[2].line, 5);
        QCOMPARE(rows[3].line, 6);
    }

    // A row may be as long as the bound, line end included, and not a byte longer: one longer is
    // named by the line it starts on, whether it ends later, with the text or never. The large
    // bound takes several chunks to reach; the small one is passed within the first chunk.
    void rowsLongerThanTheBoundAreRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qsizetype>("bound");
        QTest::addColumn<qsizetype>("refusedLine"); // 0: read whole
        constexpr qsizetype Large = 3 * 64 * 1024 + 123;
        QTest::newRow("at the bound") << "h\n" + QByteArray(Large - 1, 'a') + "\nlast\n"
                                      << Large << qsizetype(0);
        QTest::newRow("at the bound with CR LF")
            << "h\n" + QByteArray(Large - 2, 'a') + "\r\nlast\n"
            << Large << qsizetype(0);
        QTest::newRow("a byte over") << "h\n" + QByteArray(Large, 'a') + "\nlast\n"
                                     << Large << qsizetype(2);
        QTest::newRow("the last row, without its line end")
            << "h\n" + QByteArray(Large + 1, 'a') << Large << qsizetype(2);
        QTest::newRow("no line break at all")
            << QByteArray(4 * Large, '\0') << Large << qsizetype(1);
        QTest::newRow("a quoted field of many lines, after others")
            << "h\nx\ty\n\"" + QByteArray("line\n").repeated(Large / 5) + "\"\tz\n"
            << Large << qsizetype(3);
        QTest::newRow("many fields") << "h\n" + QByteArray("f\t").repeated(Large / 2 + 1) + "\n"
                                     << Large << qsizetype(2);
        QTest::newRow("small bound, rows under it")
            << "h\n" + QByteArray("a\tb\n").repeated(300) << qsizetype(4) << qsizetype(0);
        QTest::newRow("small bound, one row over it")
            << "h\n" + QByteArray("a\tb\n").repeated(300) + "a\tbc\n"
            << qsizetype(4) << qsizetype(302);
    }
    void rowsLongerThanTheBoundAreRefused()
    {
        QFETCH(QByteArray, text);
        QFETCH(qsizetype, bound);
        QFETCH(qsizetype, refusedLine);
        for (const bool onceOnly : {false, true}) {
            std::unique_ptr<QBuffer> input = onceOnly ? std::make_unique<OnceOnlyBuffer>(&text)
                                                      : std::make_unique<QBuffer>(&text);
            QVERIFY(input->open(QIODevice::ReadOnly));
            RowReader reader(*input, TextFormat::Tsv, std::nullopt, bound);
            qsizetype rows = 0;
            try {
                while (reader.next())
                    ++rows;
                QVERIFY2(refusedLine == 0, "the long row was accepted");
                QCOMPARE(rows, text.count('\n'));
            } catch (const TextError &error) {
                QCOMPARE(error.line(), refusedLine);
                QCOMPARE(rows, refusedLine - 1); // the rows before it, one line each
                QVERIFY2(error.reason().startsWith(u"a row longer than "_s),
                         qPrintable(error.reason()));
            }
        }
    }

    // The reader stops soon after a row has gone past the bound: a device that never ends is
    // read little further, and a file no further than the scan for the row's end has gone.
    void readingStopsSoonAfterTheBound_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<char>("filler");
        QTest::addColumn<bool>("endless");
        QTest::addColumn<qsizetype>("line");
        QTest::newRow("zeros") << QByteArray() << '\0' << true << qsizetype(1);
        QTest::newRow("a field without end") << "h\n"_ba << 'x' << true << qsizetype(2);
        QTest::newRow("a quoted field of endless lines") << "h\n\""_ba << '\n'
                                                         << true << qsizetype(2);
        QTest::newRow("a file without line breaks") << "h\n"_ba << 'x' << false << qsizetype(2);
    }
    void readingStopsSoonAfterTheBound()
    {
        QFETCH(QByteArray, start);
        QFETCH(char, filler);
        QFETCH(bool, endless);
        QFETCH(qsizetype, line);
        constexpr qsizetype Bound = 1024 * 1024;
        constexpr qsizetype Slack = 4 * 64 * 1024; // a few chunks, and the device's own buffer
        QByteArray file = start + QByteArray(16 * Bound, filler);
        QBuffer fileInput(&file);
        EndlessText endlessInput(start, filler);
        QIODevice &input = endless ? static_cast<QIODevice &>(endlessInput) : fileInput;
        if (!endless)
            QVERIFY(fileInput.open(QIODevice::ReadOnly));
        RowReader reader(input, TextFormat::Csv, std::nullopt, Bound);
        try {
            while (reader.next()) {}
            QFAIL("the text was accepted");
        } catch (const TextError &error) {
            QCOMPARE(error.line(), line);
        }
        const qint64 read = endless ? endlessInput.handedOut() : fileInput.pos();
        QVERIFY2(read <= Bound + Slack, qPrintable(QString::number(read)));
    }

    void formatComesFromTheName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<std::optional<TextFormat>>("format");
        QTest::newRow("tsv") << u"/a/b.tsv"_s << std::optional(TextFormat::Tsv);
        QTest::newRow("CSV") << u"b.CSV"_s << std::optional(TextFormat::Csv);
        QTest::newRow("dotted folder") << u"/a.csv/b.txt"_s << std::optional<TextFormat>();
        QTest::newRow("no extension") << u"tsv"_s << std::optional<TextFormat>();
    }
    void formatComesFromTheName()
    {
        QFETCH(QString, file);
        QFETCH(std::optional<TextFormat>, format);
        QCOMPARE(formatOfFile(file), format);
    }
};

QTEST_GUILESS_MAIN(TestDelimitedText)
#include "test_delimited_text.moc"

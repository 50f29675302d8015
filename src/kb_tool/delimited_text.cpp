// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "delimited_text.h"

#include <QBuffer>
#include <QFileDevice>
#include <QFileInfo>
#include <QStringDecoder>
#include <QVarLengthArray>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

constexpr char Quote = '"';

char delimiterOf(TextFormat format)
{
    return format == TextFormat::Tsv ? '\t' : ',';
}

bool needsQuotes(QByteArrayView field, char delimiter)
{
    // One library search per character beats a loop over the bytes on long meanings.
    for (const char special : {delimiter, Quote, '\r', '\n'}) {
        if (field.contains(special))
            return true;
    }
    return false;
}

void appendQuoted(QByteArray &out, QByteArrayView field)
{
    out += Quote;
    for (const char c : field) {
        if (c == Quote)
            out += Quote;
        out += c;
    }
    out += Quote;
}

constexpr qsizetype ChunkBytes = qsizetype{64} * 1024;
// Above this the buffer is given back once its rows are read, rather than kept for the next.
constexpr qsizetype KeptBufferBytes = 4 * ChunkBytes;

// Strict UTF-8, written straight into one string of the right size: a field of many megabytes
// is not copied on the way. A byte-order mark inside a field is kept as a character, and a
// sequence cut off at the end of a part is an error (parts end at a quote, which never occurs
// inside a UTF-8 sequence).
using Parts = QVarLengthArray<QByteArrayView, 4>;

QString decoded(const Parts &parts, qsizetype rowLine)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                                                     | QStringDecoder::Flag::ConvertInitialBom);
    qsizetype space = 0;
    for (const QByteArrayView part : parts)
        space += decoder.requiredSpace(part.size());
    QString text(space, Qt::Uninitialized);
    QChar *end = text.data();
    for (const QByteArrayView part : parts)
        end = decoder.appendToBuffer(end, part);
    if (decoder.hasError())
        throw TextError(rowLine,
                        u"text that is not UTF-8: it looks like Shift_JIS (CP932) or "
                        "another encoding; save it as UTF-8 or give --encoding shift_jis"_s);
    text.truncate(end - text.constData());
    return text;
}

// "256 MiB", "64 KiB" or "1000 bytes".
QString sizeText(qsizetype bytes)
{
    constexpr qsizetype MiB = qsizetype(1024) * 1024;
    if (bytes % MiB == 0)
        return u"%1 MiB"_s.arg(bytes / MiB);
    if (bytes % 1024 == 0)
        return u"%1 KiB"_s.arg(bytes / 1024);
    return u"%1 bytes"_s.arg(bytes);
}

} // namespace

TextError::TextError(qsizetype line, const QString &reason) : CommandError(reason), m_line(line) {}

std::optional<TextFormat> formatNamed(const QString &name)
{
    if (name.compare(u"tsv"_s, Qt::CaseInsensitive) == 0)
        return TextFormat::Tsv;
    if (name.compare(u"csv"_s, Qt::CaseInsensitive) == 0)
        return TextFormat::Csv;
    return std::nullopt;
}

std::optional<TextFormat> formatOfFile(const QString &fileName)
{
    return formatNamed(QFileInfo(fileName).suffix());
}

QByteArray encodeRow(const QStringList &fields, TextFormat format)
{
    QByteArray row;
    const char delimiter = delimiterOf(format);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            row += delimiter;
        const QByteArray field = fields[i].toUtf8();
        if (needsQuotes(field, delimiter))
            appendQuoted(row, field);
        else
            row += field;
    }
    row += '\n';
    return row;
}

void appendRow(QByteArray &out, std::initializer_list<QByteArrayView> fields, TextFormat format)
{
    const char delimiter = delimiterOf(format);
    bool first = true;
    for (const QByteArrayView field : fields) {
        if (!first)
            out += delimiter;
        first = false;
        if (needsQuotes(field, delimiter))
            appendQuoted(out, field);
        else
            out += field;
    }
    out += '\n';
}

RowReader::RowReader(QIODevice &input, TextFormat format, std::optional<TextEncoding> encoding,
                     qsizetype maxRowBytes)
    : m_input(input), m_delimiter(delimiterOf(format)), m_maxRowBytes(maxRowBytes),
      m_encoding(encoding), m_encodingGiven(encoding.has_value())
{
}

RowReader::~RowReader() = default;

// Delimiters, quotes, CR and LF are ASCII and never occur inside a UTF-8 sequence, so fields are
// cut out as bytes and decoded afterwards. A row that runs past the text read so far is scanned
// again from its start once more has been read.
std::optional<TextRow> RowReader::next()
{
    if (!m_started)
        start();
    for (;;) {
        if (atEndOfText() && !readMore())
            return std::nullopt;
        const qsizetype rowStart = m_pos;
        const qsizetype rowLine = m_line;
        try {
            TextRow row = scanRow();
            dropReadRowsIfLarge();
            return row;
        } catch (const NeedMoreText &) {
            m_pos = rowStart;
            m_line = rowLine;
            readWholeRow();
        }
    }
}

// Text in another encoding is made UTF-8 as it is read, and then read as UTF-8 is.
void RowReader::start()
{
    m_started = true;
    if (!m_encoding)
        m_encoding = findEncoding();
    if (*m_encoding != TextEncoding::Utf8)
        m_toUtf8 = ToUtf8::from(*m_encoding);
    while (m_text.size() < 3 && m_undecodableLine == 0 && readMore()) {}
    if (m_text.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

TextEncoding RowReader::findEncoding()
{
    const bool readsAgain = !m_input.isSequential();
    const qint64 start = m_input.pos();
    QByteArray seen;
    while (seen.size() < 3) {
        const QByteArray more = readChunk();
        if (more.isEmpty())
            break;
        seen += more;
    }
    TextEncoding found = TextEncoding::Utf8;
    if (seen.startsWith("\xFF\xFE") || seen.startsWith("\xFE\xFF"))
        found = TextEncoding::Utf16;
    else if (!seen.startsWith("\xEF\xBB\xBF"))
        found = encodingOfText(seen, readsAgain);
    if (readsAgain) {
        if (!m_input.seek(start))
            throw TextError(1, u"the file cannot be read: %1"_s.arg(m_input.errorString()));
    } else {
        m_readAhead = std::move(seen);
    }
    return found;
}

// Reads on from `seen` while the text may still be either.
TextEncoding RowReader::encodingOfText(QByteArray &seen, bool readsAgain)
{
    EncodingGuess guess;
    guess.feed(seen);
    while (guess.undecided() && guess.lineBytes() <= m_maxRowBytes
           && (readsAgain || seen.size() < DecidingBytes)) {
        const QByteArray piece = readChunk();
        if (piece.isEmpty()) {
            guess.end();
            break;
        }
        guess.feed(piece);
        if (!readsAgain)
            seen += piece;
    }
    if (const std::optional<TextEncoding> found = guess.verdict())
        return *found;
    // Half the bytes of UTF-16 text in Latin letters and digits are zero, which text in the other
    // encodings hardly ever holds.
    const bool looksLikeUtf16 = seen.first(std::min<qsizetype>(seen.size(), 4096)).contains('\0');
    throw TextError(guess.failingLine(),
                    looksLikeUtf16 ? u"text that is neither UTF-8 nor Shift_JIS (CP932); it looks "
                                     "like UTF-16 without a byte-order mark: give --encoding "
                                     "utf-16"_s
                                   : u"text that is neither UTF-8 nor Shift_JIS (CP932); save "
                                     "the file as UTF-8 and import it again"_s);
}

QString RowReader::undecodable() const
{
    switch (encoding()) {
    case TextEncoding::ShiftJis:
        return m_encodingGiven ? u"text that is not Shift_JIS (CP932), which --encoding names; "
                                 "without --encoding the encoding is told from the file"_s
                               : u"text that is not Shift_JIS (CP932), as the lines before it "
                                 "are; save the file as UTF-8 and import it again"_s;
    case TextEncoding::Utf16:
        return u"text that is not UTF-16 (half a character); save the file as UTF-8 and "
               "import it again"_s;
    case TextEncoding::Utf8:
        break;
    }
    return u"text that is not UTF-8"_s;
}

// Makes the text hold the whole row that starts at m_pos, so that it is scanned once more at
// most: read a piece at a time and scanned again each time, a row of many megabytes would take
// time that grows with the square of its length. A row found to be longer than rows may be ends
// the reading.
void RowReader::readWholeRow()
{
    // Most rows are merely cut by the end of a chunk: the next chunk completes them.
    if (m_text.size() - m_pos < ChunkBytes) {
        readMore();
        return;
    }
    m_scan = Scan::FieldStart;
    const qsizetype rowEnd = findRowEnd(QByteArrayView(m_text).sliced(m_pos));
    if (rowEnd < 0)
        checkRowSize(m_text.size() - m_pos, m_line);
    // The end is there and was only peeked past, or the input cannot be read twice (text that
    // is decoded as it is read is not where it was in the file).
    if (rowEnd >= 0 || m_input.isSequential() || m_toUtf8)
        readDoubled(rowEnd >= 0);
    else
        readRowOfFile();
}

// Reads until the text of the row at least doubles, which keeps the rescans linear; a row whose
// end is not in sight yet grows no further than one byte past the longest a row may be, so that
// a pipe that never stops writing is told as soon as it has sent too much.
void RowReader::readDoubled(bool endInSight)
{
    const qsizetype before = m_text.size() - m_pos;
    const qsizetype wanted = endInSight ? 2 * before : std::min(2 * before, m_maxRowBytes + 1);
    while (readMore() && m_text.size() - m_pos < wanted) {}
}

// A file is looked through for the row's end first and the row then read in one piece, so the
// buffer is no larger than the row; a file whose row goes on too long is read no further.
void RowReader::readRowOfFile()
{
    const qint64 restartAt = m_input.pos();
    qint64 rowBytes = m_text.size() - m_pos;
    for (;;) {
        const QByteArray ahead = m_input.read(ChunkBytes);
        if (ahead.isEmpty())
            break; // the row runs to the end of the input (or a read error, seen below)
        const qsizetype end = findRowEnd(ahead);
        rowBytes += end >= 0 ? end + 1 : ahead.size();
        checkRowSize(rowBytes, m_line);
        if (end >= 0)
            break;
    }
    if (!m_input.seek(restartAt))
        throw TextError(m_line, u"the file cannot be read: %1"_s.arg(m_input.errorString()));
    m_text.remove(0, m_pos);
    m_pos = 0;
    const qsizetype had = m_text.size();
    // One more byte to see what follows the row, and at least a chunk for the rows after it.
    const qsizetype wanted = std::max(qsizetype(rowBytes) + 1, had + ChunkBytes);
    m_text.reserve(wanted);
    m_text.resize(wanted);
    const qint64 got = m_input.read(m_text.data() + had, wanted - had);
    m_text.resize(had + qsizetype(std::max<qint64>(got, 0)));
    if (got <= 0)
        readMore(); // notes the end of the input, or reports why it cannot be read
}

void RowReader::checkRowSize(qsizetype bytes, qsizetype rowLine) const
{
    if (bytes > m_maxRowBytes)
        throw TextError(rowLine, u"a row longer than %1, the most one row may hold"_s.arg(
                                     sizeText(m_maxRowBytes)));
}

// Follows the quoting of the row whose start was set in m_scan through `text`: the offset of
// the LF that ends it, or -1 when it goes on. A row that turns out to be malformed ends there
// too, as the scan reports it at that point anyway.
qsizetype RowReader::findRowEnd(QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (m_scan) {
        case Scan::Quoted: {
            const qsizetype quote = text.indexOf(Quote, i);
            if (quote < 0)
                return -1;
            i = quote;
            m_scan = Scan::QuoteInQuoted;
            break;
        }
        case Scan::QuoteInQuoted:
            if (c == '\n')
                return i;
            m_scan = c == Quote         ? Scan::Quoted
                     : c == m_delimiter ? Scan::FieldStart
                                        : Scan::Unquoted;
            break;
        case Scan::FieldStart:
            if (c == '\n')
                return i;
            if (c == Quote)
                m_scan = Scan::Quoted;
            else if (c != m_delimiter)
                m_scan = Scan::Unquoted;
            break;
        case Scan::Unquoted:
            if (c == '\n' || c == Quote) // a stray quote: the row is malformed here
                return i;
            if (c == m_delimiter)
                m_scan = Scan::FieldStart;
            break;
        }
    }
    return -1;
}

// After a long row the buffer is as large as that row; it is given back before the row goes on
// to be stored, rather than held through the rest of the file.
void RowReader::dropReadRowsIfLarge()
{
    if (m_text.capacity() <= KeptBufferBytes)
        return;
    m_text = m_text.sliced(m_pos);
    m_pos = 0;
}

// Appends the next chunk of the input, first dropping what has been consumed. False when the
// input has nothing more. Text that cannot be decoded is reported once the rows before it have
// been read, so that a file's first fault is the one named.
bool RowReader::readMore()
{
    if (m_inputDone)
        return false;
    if (m_undecodableLine > 0)
        throw TextError(m_undecodableLine, undecodable());
    m_text.remove(0, m_pos);
    m_pos = 0;
    const QByteArray chunk = m_readAhead.isEmpty() ? readChunk() : readAheadChunk();
    if (chunk.isEmpty() && (!m_toUtf8 || m_toUtf8->endsWhole())) {
        m_inputDone = true;
        return false;
    }
    if (!m_toUtf8)
        m_text += chunk;
    else if (chunk.isEmpty() || !m_toUtf8->append(chunk, m_text))
        m_undecodableLine = m_toUtf8->line(); // it ends inside a character, or goes wrong
    return true;
}

// What was read ahead goes on a chunk at a time as well: the buffer of rows stays small.
QByteArray RowReader::readAheadChunk()
{
    QByteArray chunk = m_readAhead.sliced(m_readAheadPos)
                           .first(std::min(ChunkBytes, m_readAhead.size() - m_readAheadPos));
    m_readAheadPos += chunk.size();
    if (m_readAheadPos == m_readAhead.size()) {
        m_readAhead.clear();
        m_readAheadPos = 0;
    }
    return chunk;
}

// The next chunk of the input as it is; empty at its end.
QByteArray RowReader::readChunk()
{
    QByteArray chunk = m_input.read(ChunkBytes);
    if (chunk.isEmpty()) {
        const auto *file = qobject_cast<const QFileDevice *>(&m_input);
        if (file && file->error() != QFileDevice::NoError)
            throw TextError(m_line, u"the file cannot be read: %1"_s.arg(file->errorString()));
    }
    return chunk;
}

bool RowReader::atEnd() const
{
    if (!atEndOfText())
        return false;
    if (!m_inputDone)
        throw NeedMoreText{};
    return true;
}

TextRow RowReader::scanRow()
{
    const qsizetype start = m_pos;
    TextRow row{m_line, {}};
    for (;;) {
        row.fields << nextField(row.line);
        if (!atEnd()) {
            if (current() == m_delimiter) {
                ++m_pos;
                continue;
            }
            endRow(row.line);
        }
        checkRowSize(m_pos - start, row.line);
        return row;
    }
}

QString RowReader::nextField(qsizetype rowLine)
{
    if (!atEnd() && current() == Quote)
        return quotedField(rowLine);
    const qsizetype start = m_pos;
    while (!atEnd() && current() != m_delimiter && current() != '\n' && current() != '\r') {
        if (current() == Quote)
            throw TextError(rowLine, u"a quote inside an unquoted field"_s);
        ++m_pos;
    }
    return decoded({QByteArrayView(m_text).sliced(start, m_pos - start)}, rowLine);
}

// The field's text is the pieces between doubled quotes, decoded straight from the buffer.
QString RowReader::quotedField(qsizetype rowLine)
{
    const qsizetype openedOnLine = m_line;
    Parts parts;
    ++m_pos; // the opening quote
    for (;;) {
        const qsizetype quote = m_text.indexOf(Quote, m_pos);
        if (quote < 0) {
            m_pos = m_text.size();
            if (atEnd()) // nothing more to read: the quote is never closed
                throw TextError(openedOnLine, u"a quoted field is never closed"_s);
        }
        const QByteArrayView part = QByteArrayView(m_text).sliced(m_pos, quote - m_pos);
        m_line += part.count('\n');
        parts.append(part);
        m_pos = quote + 1;
        if (atEnd() || current() != Quote)
            break;
        parts.append(QByteArrayView(m_text).sliced(quote, 1)); // a doubled quote stands for one
        ++m_pos;
    }
    if (!atEnd() && current() != m_delimiter && current() != '\n' && current() != '\r')
        throw TextError(rowLine, u"text after the closing quote of a field"_s);
    return decoded(parts, rowLine);
}

void RowReader::endRow(qsizetype rowLine)
{
    if (current() == '\r') {
        ++m_pos;
        if (atEnd() || current() != '\n')
            throw TextError(rowLine, u"a CR that does not end a row (quote the field)"_s);
    }
    ++m_pos; // the LF
    ++m_line;
}

QList<TextRow> readRows(QByteArrayView text, TextFormat format,
                        std::optional<TextEncoding> encoding)
{
    QByteArray copy = text.toByteArray();
    QBuffer input(&copy);
    input.open(QIODevice::ReadOnly);
    RowReader reader(input, format, encoding);
    QList<TextRow> rows;
    while (std::optional<TextRow> row = reader.next())
        rows << *std::move(row);
    return rows;
}

} // namespace donguri::kbtool

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "delimited_text.h"

#include <QBuffer>
#include <QFileDevice>
#include <QFileInfo>
#include <QStringDecoder>

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

// Strict UTF-8: a byte-order mark inside a field is kept as a character, and a sequence cut off
// at the end of a field is an error rather than a carry into the next call.
std::optional<QString> fromUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                                                     | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

constexpr qsizetype ChunkBytes = 64 * 1024;

QString decoded(const QByteArray &bytes, qsizetype rowLine)
{
    std::optional<QString> text = fromUtf8(bytes);
    if (!text)
        throw TextError(rowLine, u"text that is not UTF-8"_s);
    return *std::move(text);
}

} // namespace

TextError::TextError(qsizetype line, const QString &reason)
    : std::runtime_error(reason.toStdString()), m_line(line)
{
}

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

RowReader::RowReader(QIODevice &input, TextFormat format)
    : m_input(input), m_delimiter(delimiterOf(format))
{
}

// Delimiters, quotes, CR and LF are ASCII and never occur inside a UTF-8 sequence, so fields are
// cut out as bytes and decoded afterwards. A row that runs past the text read so far is scanned
// again from its start once more has been read.
std::optional<TextRow> RowReader::next()
{
    if (!m_started) {
        while (m_text.size() < 3 && readMore()) {}
        if (m_text.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
        m_started = true;
    }
    for (;;) {
        if (atEndOfText() && !readMore())
            return std::nullopt;
        const qsizetype rowStart = m_pos;
        const qsizetype rowLine = m_line;
        try {
            return scanRow();
        } catch (const NeedMoreText &) {
            m_pos = rowStart;
            m_line = rowLine;
            readMore();
        }
    }
}

// Appends the next chunk of the input, first dropping what has been consumed. False when the
// input has nothing more.
bool RowReader::readMore()
{
    if (m_inputDone)
        return false;
    m_text.remove(0, m_pos);
    m_pos = 0;
    const QByteArray chunk = m_input.read(ChunkBytes);
    if (chunk.isEmpty()) {
        const auto *file = qobject_cast<const QFileDevice *>(&m_input);
        if (file && file->error() != QFileDevice::NoError)
            throw TextError(m_line, u"the file cannot be read: %1"_s.arg(file->errorString()));
        m_inputDone = true;
        return false;
    }
    m_text += chunk;
    return true;
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
    TextRow row{m_line, {}};
    for (;;) {
        row.fields << decoded(nextField(row.line), row.line);
        if (atEnd())
            return row;
        if (current() != m_delimiter) {
            endRow(row.line);
            return row;
        }
        ++m_pos;
    }
}

QByteArray RowReader::nextField(qsizetype rowLine)
{
    if (!atEnd() && current() == Quote)
        return quotedField(rowLine);
    const qsizetype start = m_pos;
    while (!atEnd() && current() != m_delimiter && current() != '\n' && current() != '\r') {
        if (current() == Quote)
            throw TextError(rowLine, u"a quote inside an unquoted field"_s);
        ++m_pos;
    }
    return m_text.sliced(start, m_pos - start);
}

QByteArray RowReader::quotedField(qsizetype rowLine)
{
    QByteArray field;
    ++m_pos; // the opening quote
    for (;;) {
        const qsizetype quote = m_text.indexOf(Quote, m_pos);
        if (quote < 0) {
            m_pos = m_text.size();
            if (atEnd()) // nothing more to read: the quote is never closed
                throw TextError(rowLine, u"a quoted field is never closed"_s);
        }
        const QByteArrayView part = QByteArrayView(m_text).sliced(m_pos, quote - m_pos);
        m_line += part.count('\n');
        field += part;
        m_pos = quote + 1;
        if (atEnd() || current() != Quote)
            break;
        field += Quote; // a doubled quote stands for one
        ++m_pos;
    }
    if (!atEnd() && current() != m_delimiter && current() != '\n' && current() != '\r')
        throw TextError(rowLine, u"text after the closing quote of a field"_s);
    return field;
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

QList<TextRow> readRows(QByteArrayView text, TextFormat format)
{
    QByteArray copy = text.toByteArray();
    QBuffer input(&copy);
    input.open(QIODevice::ReadOnly);
    RowReader reader(input, format);
    QList<TextRow> rows;
    while (std::optional<TextRow> row = reader.next())
        rows << *std::move(row);
    return rows;
}

} // namespace donguri::kbtool

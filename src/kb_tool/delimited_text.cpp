#include "delimited_text.h"

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

bool needsQuotes(const QByteArray &field, char delimiter)
{
    for (const char c : field) {
        if (c == delimiter || c == Quote || c == '\r' || c == '\n')
            return true;
    }
    return false;
}

QByteArray quoted(const QByteArray &field)
{
    QByteArray result;
    result.reserve(field.size() + 2);
    result += Quote;
    for (const char c : field) {
        if (c == Quote)
            result += Quote;
        result += c;
    }
    result += Quote;
    return result;
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

// Walks the text row by row. Delimiters, quotes, CR and LF are ASCII and never occur inside a
// UTF-8 sequence, so fields are cut out as bytes and decoded afterwards.
class RowScanner
{
public:
    RowScanner(QByteArrayView text, char delimiter) : m_text(text), m_delimiter(delimiter)
    {
        if (m_text.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
    }

    bool atEnd() const { return m_pos >= m_text.size(); }

    TextRow nextRow()
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

private:
    char current() const { return m_text[m_pos]; }

    QByteArray nextField(qsizetype rowLine)
    {
        if (!atEnd() && current() == Quote)
            return quotedField(rowLine);
        const qsizetype start = m_pos;
        while (!atEnd() && current() != m_delimiter && current() != '\n' && current() != '\r') {
            if (current() == Quote)
                throw TextError(rowLine, u"a quote inside an unquoted field"_s);
            ++m_pos;
        }
        return m_text.sliced(start, m_pos - start).toByteArray();
    }

    QByteArray quotedField(qsizetype rowLine)
    {
        QByteArray field;
        ++m_pos; // the opening quote
        for (;;) {
            const qsizetype quote = m_text.indexOf(Quote, m_pos);
            if (quote < 0)
                throw TextError(rowLine, u"a quoted field is never closed"_s);
            const QByteArrayView part = m_text.sliced(m_pos, quote - m_pos);
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

    void endRow(qsizetype rowLine)
    {
        if (current() == '\r') {
            ++m_pos;
            if (atEnd() || current() != '\n')
                throw TextError(rowLine, u"a CR that does not end a row (quote the field)"_s);
        }
        ++m_pos; // the LF
        ++m_line;
    }

    static QString decoded(const QByteArray &bytes, qsizetype rowLine)
    {
        std::optional<QString> text = fromUtf8(bytes);
        if (!text)
            throw TextError(rowLine, u"text that is not UTF-8"_s);
        return *std::move(text);
    }

    QByteArrayView m_text;
    char m_delimiter;
    qsizetype m_pos = 0;
    qsizetype m_line = 1;
};

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
    const char delimiter = delimiterOf(format);
    QByteArray row;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            row += delimiter;
        const QByteArray field = fields[i].toUtf8();
        row += needsQuotes(field, delimiter) ? quoted(field) : field;
    }
    row += '\n';
    return row;
}

QList<TextRow> readRows(QByteArrayView text, TextFormat format)
{
    RowScanner scanner(text, delimiterOf(format));
    QList<TextRow> rows;
    while (!scanner.atEnd())
        rows << scanner.nextRow();
    return rows;
}

} // namespace donguri::kbtool

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace donguri::kbtool {

// Tab- or comma-separated text. Both quote the same way: a field holding the delimiter, a double
// quote, CR or LF is wrapped in double quotes with inner quotes doubled, so any text survives.
enum class TextFormat { Tsv, Csv };

// "tsv" or "csv", in any case.
std::optional<TextFormat> formatNamed(const QString &name);
// Chosen by the file's extension, .tsv or .csv in any case.
std::optional<TextFormat> formatOfFile(const QString &fileName);

// One row in UTF-8, ended by LF.
QByteArray encodeRow(const QStringList &fields, TextFormat format);

// A row as read, with the 1-based line its first field starts on.
struct TextRow
{
    qsizetype line = 0;
    QStringList fields;
};

// Text that cannot be read as rows: where the offending row starts and what is wrong with it.
class TextError : public std::runtime_error
{
public:
    TextError(qsizetype line, const QString &reason);

    qsizetype line() const { return m_line; }
    QString reason() const { return QString::fromUtf8(what()); }

private:
    qsizetype m_line;
};

// Every row of the text, header included. A byte-order mark at the start is skipped; rows may
// end with LF or CR LF. Throws TextError for an unterminated quote, text after a closing quote,
// a quote inside an unquoted field, a CR that does not end a row, or a field that is not UTF-8.
QList<TextRow> readRows(QByteArrayView text, TextFormat format);

} // namespace donguri::kbtool

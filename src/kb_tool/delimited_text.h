// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "command.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QList>
#include <QStringList>

#include <initializer_list>
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
// The same for fields that are UTF-8 already, appended to `out`.
void appendRow(QByteArray &out, std::initializer_list<QByteArrayView> fields, TextFormat format);

// A row as read, with the 1-based line its first field starts on.
struct TextRow
{
    qsizetype line = 0;
    QStringList fields;
};

// Text that cannot be read as rows: where the offending row starts and what is wrong with it.
class TextError : public CommandError
{
public:
    TextError(qsizetype line, const QString &reason);

    qsizetype line() const { return m_line; }
    QString reason() const { return QString::fromUtf8(what()); }

private:
    qsizetype m_line;
};

// Reads rows one at a time from a device, holding only the text around the row being read, so a
// file of any size is read in the same little memory, and a row in about its own size (plus its
// text as a string). A row may be at most `maxRowBytes` long, its line end included: one that
// goes on past that ends the reading there, whether it ends later, never (/dev/zero, a pipe
// that keeps writing) or with the file. A byte-order mark at the start is skipped;
// rows may end with LF or CR LF. Throws TextError for an unterminated quote, text after a closing
// quote, a quote inside an unquoted field, a CR that does not end a row, a field that is not
// UTF-8, a row that is too long, or a device that cannot be read. An unterminated quote is
// reported at the line where it opens, a row that is too long at the line where it starts.
class RowReader
{
public:
    RowReader(QIODevice &input, TextFormat format, qsizetype maxRowBytes = MaxRowBytes);

    // The next row, header included; nullopt after the last one.
    std::optional<TextRow> next();

private:
    // Thrown inside a row that runs past the text read so far.
    struct NeedMoreText
    {
    };
    // Where the look-ahead for the end of a row stands.
    enum class Scan { FieldStart, Unquoted, Quoted, QuoteInQuoted };

    bool readMore();
    void readWholeRow();
    void readDoubled(bool endInSight);
    void readRowOfFile();
    // Throws when the row starting on `rowLine`, `bytes` long so far, is longer than rows may be.
    void checkRowSize(qsizetype bytes, qsizetype rowLine) const;
    qsizetype findRowEnd(QByteArrayView text);
    void dropReadRowsIfLarge();
    TextRow scanRow();
    QString nextField(qsizetype rowLine);
    QString quotedField(qsizetype rowLine);
    void endRow(qsizetype rowLine);
    bool atEndOfText() const { return m_pos >= m_text.size(); }
    // At the end of what has been read: the end of the row when nothing more can come, and
    // otherwise a reason to read more before deciding.
    bool atEnd() const;
    char current() const { return m_text[m_pos]; }

    QIODevice &m_input;
    char m_delimiter;
    qsizetype m_maxRowBytes;
    QByteArray m_text; // what has been read and not yet consumed
    qsizetype m_pos = 0;
    qsizetype m_line = 1;
    bool m_inputDone = false;
    bool m_started = false;
    Scan m_scan = Scan::FieldStart;
};

// Every row of the text, header included, read as RowReader reads a file.
QList<TextRow> readRows(QByteArrayView text, TextFormat format);

} // namespace donguri::kbtool

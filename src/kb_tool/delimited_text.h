// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "command.h"
#include "text_encoding.h"

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
// text as a string). A row may be at most `maxRowBytes` long as UTF-8, its line end included:
// one that goes on past that ends the reading there, whether it ends later, never (/dev/zero, a
// pipe that keeps writing) or with the file. The text is in `encoding`, or else in the one
// its bytes show (UTF-8, UTF-16 with a byte-order mark, or CP932; see findEncoding). A
// byte-order mark at the start is skipped; rows may end with LF or CR LF, and a line break
// inside a quoted field is kept as it is. Throws TextError for an unterminated quote, text
// after a closing quote, a quote inside an unquoted field, a CR that does not end a row, text
// that is not in the encoding, a row that is too long, or a device that cannot be read. An
// unterminated quote is reported at the line where it opens, a row that is too long at the line
// where it starts, text that cannot be decoded at its line.
class RowReader
{
public:
    RowReader(QIODevice &input, TextFormat format,
              std::optional<TextEncoding> encoding = std::nullopt,
              qsizetype maxRowBytes = MaxRowBytes);
    ~RowReader();
    RowReader(const RowReader &) = delete;
    RowReader &operator=(const RowReader &) = delete;

    // The next row, header included; nullopt after the last one.
    std::optional<TextRow> next();
    // What the text is read as; known once next() has been called.
    TextEncoding encoding() const { return m_encoding.value_or(TextEncoding::Utf8); }

private:
    // Thrown inside a row that runs past the text read so far.
    struct NeedMoreText
    {
    };
    // Where the look-ahead for the end of a row stands.
    enum class Scan { FieldStart, Unquoted, Quoted, QuoteInQuoted };

    void start();
    // The encoding the bytes show: a byte-order mark says UTF-8 or UTF-16; otherwise it is UTF-8
    // when the text is UTF-8 throughout, else CP932 when it reads as CP932 throughout, else
    // neither, refused at the line where the one that read further stopped. A file is read
    // through once for this and then from its start again. A pipe or a device, which cannot be
    // read twice, is judged by its first DecidingBytes, which are kept for the reading. The look
    // stops early at a line longer than a row may be, which the reading refuses anyway.
    TextEncoding findEncoding();
    TextEncoding encodingOfText(QByteArray &seen, bool readsAgain);
    QString undecodable() const;
    bool readMore();
    QByteArray readChunk();
    QByteArray readAheadChunk();
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
    std::optional<TextEncoding> m_encoding;
    bool m_encodingGiven;
    std::unique_ptr<ToUtf8> m_toUtf8; // none for UTF-8, which is decoded field by field
    QByteArray m_readAhead;           // read while finding the encoding, not yet decoded
    qsizetype m_readAheadPos = 0;
    qsizetype m_undecodableLine = 0; // where decoding stopped, once the rows before are read
    QByteArray m_text;               // what has been read and not yet consumed
    qsizetype m_pos = 0;
    qsizetype m_line = 1;
    bool m_inputDone = false;
    bool m_started = false;
    Scan m_scan = Scan::FieldStart;
};

// How much of a pipe decides its encoding.
inline constexpr qsizetype DecidingBytes = qsizetype{1024} * 1024;

// Every row of the text, header included, read as RowReader reads a file.
QList<TextRow> readRows(QByteArrayView text, TextFormat format,
                        std::optional<TextEncoding> encoding = std::nullopt);

} // namespace donguri::kbtool

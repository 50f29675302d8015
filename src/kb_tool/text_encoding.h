// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

namespace donguri::kbtool {

// What a word list is written in. Files from other systems come as UTF-16 with a byte-order mark
// (a spreadsheet's "Unicode text") or as CP932, the common form of Shift_JIS, which spreadsheet
// programs write as "CSV" on a Japanese system.
enum class TextEncoding { Utf8, Utf16, ShiftJis };

// "utf-8", "utf-16" or "shift_jis" (also utf8, utf16, shift-jis, sjis, cp932), in any case.
std::optional<TextEncoding> encodingNamed(const QString &name);
// As the messages name it: "UTF-8", "UTF-16" or "Shift_JIS (CP932)".
QString encodingName(TextEncoding encoding);

// Text in one encoding made UTF-8 a piece at a time, strictly: the first bytes that are not text
// in the encoding stop it there, and never become a replacement character. A character cut in
// two by the end of a piece is completed by the next. Line ends are counted, so that a failure
// names its line.
class ToUtf8
{
public:
    static std::unique_ptr<ToUtf8> from(TextEncoding encoding);
    virtual ~ToUtf8();

    // Appends the UTF-8 of `bytes` to `out`. False at bytes that are not text in the encoding,
    // with everything before them appended.
    bool append(QByteArrayView bytes, QByteArray &out);
    // Whether the text read so far ends where a character ends.
    virtual bool endsWhole() const = 0;
    // The line the text read so far ends on: after a failure, the line of the failing bytes.
    qsizetype line() const { return m_lineEnds + 1; }

protected:
    ToUtf8() = default;
    virtual bool convert(QByteArrayView bytes, QByteArray &out) = 0;

private:
    qsizetype m_lineEnds = 0;
};

// Tells from text fed to it a piece at a time whether it is UTF-8 throughout, else CP932
// throughout, else neither.
class EncodingGuess
{
public:
    EncodingGuess();
    ~EncodingGuess();
    EncodingGuess(const EncodingGuess &) = delete;
    EncodingGuess &operator=(const EncodingGuess &) = delete;

    void feed(QByteArrayView piece);
    // The text has ended: one that ends inside a character is not that encoding.
    void end();
    // Whether more text could still tell it: both encodings read it so far.
    bool undecided() const { return m_isUtf8 || m_isCp932; }
    // How long the line being fed is so far.
    qsizetype lineBytes() const { return m_lineBytes; }
    // UTF-8 while it is still UTF-8, else CP932 while it is still that; none when neither is.
    std::optional<TextEncoding> verdict() const;
    // For neither: the line where the one that read further stopped.
    qsizetype failingLine() const;

private:
    std::unique_ptr<ToUtf8> m_utf8;
    std::unique_ptr<ToUtf8> m_cp932;
    bool m_isUtf8 = true;
    bool m_isCp932 = true;
    qsizetype m_lineBytes = 0;
    QByteArray m_scratch;
};

// A character of UTF-8 text that another encoding cannot hold, or would give back as another:
// where it starts in the text, and why, in words for the user.
struct Unwritable
{
    qsizetype offset = 0;
    QString reason;
};

// UTF-8 text written in another encoding, refusing a character that the file would not give
// back as itself when read again.
class FromUtf8
{
public:
    // Nothing for UTF-8 itself, which is written as it is.
    static std::unique_ptr<FromUtf8> to(TextEncoding encoding);
    virtual ~FromUtf8();

    // What comes before the text: a byte-order mark where the encoding needs one.
    virtual QByteArray start() const = 0;
    // Appends `text` in the encoding to `out`; what it cannot write is returned and nothing is
    // appended.
    virtual std::optional<Unwritable> append(QByteArrayView text, QByteArray &out) = 0;

protected:
    FromUtf8() = default;
};

} // namespace donguri::kbtool

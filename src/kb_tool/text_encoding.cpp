// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_encoding.h"

#include "command.h"

#include <QtEndian>

#include <iconv.h>

#include <cerrno>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

// The length of the UTF-8 sequence starting at `text[i]`: 0 when it is not one (a stray or
// missing continuation byte, an overlong form, a surrogate, past U+10FFFF), -1 when the text
// ends before it does.
int utf8SequenceAt(QByteArrayView text, qsizetype i)
{
    const uchar lead = uchar(text[i]);
    if (lead < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        if (i + k >= text.size())
            return -1;
        const uchar next = uchar(text[i + k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

// Where `text` stops being UTF-8, or -1 when it is UTF-8 throughout.
qsizetype invalidUtf8At(QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size();) {
        const int length = utf8SequenceAt(text, i);
        if (length <= 0)
            return i;
        i += length;
    }
    return -1;
}

// The character starting at `offset` of UTF-8 text, shown with its code point: "〜 (U+301C)".
QString characterAt(QByteArrayView text, qsizetype offset)
{
    const int length = std::max(utf8SequenceAt(text, offset), 1);
    const QString character = QString::fromUtf8(text.sliced(offset, length));
    const QString code = QString::number(character.toUcs4().value(0), 16).toUpper();
    return u"%1 (U+%2)"_s.arg(character, code.rightJustified(4, u'0'));
}

// One of glibc's converters: it knows CP932, the common table of Shift_JIS, on every system
// without further libraries, and says at which byte a conversion fails, so that the line can be
// named. Qt's own converters know CP932 only through ICU and then put a replacement character
// where the text is not CP932.
class Iconv
{
public:
    // `growth`: at most how many bytes one byte of the input becomes.
    Iconv(const char *to, const char *from, int growth)
        : m_handle(iconv_open(to, from)), m_growth(growth)
    {
        // iconv_open's documented failure value is (iconv_t) -1.
        if (m_handle == iconv_t(-1)) // NOLINT(performance-no-int-to-ptr)
            throw CommandError(
                u"this system cannot convert %1 to %2 (glibc's gconv modules are "
                "missing)"_s.arg(QString::fromLatin1(from), QString::fromLatin1(to)));
    }
    ~Iconv() { iconv_close(m_handle); }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    struct Result
    {
        qsizetype read = 0; // bytes of the input converted
        int error = 0;      // 0, EILSEQ at bytes it cannot convert, EINVAL at a cut character
    };

    // Appends as much of `in` as converts to `out`.
    Result convert(QByteArrayView in, QByteArray &out)
    {
        char *inAt = const_cast<char *>(in.data());
        size_t inLeft = size_t(in.size());
        for (;;) {
            const qsizetype had = out.size();
            out.resize(had + m_growth * qsizetype(inLeft) + 4);
            char *outAt = out.data() + had;
            size_t outLeft = size_t(out.size() - had);
            const size_t converted = iconv(m_handle, &inAt, &inLeft, &outAt, &outLeft);
            const int error = converted == size_t(-1) ? errno : 0;
            out.resize(outAt - out.constData());
            if (error != E2BIG) {
                iconv(m_handle, nullptr, nullptr, nullptr, nullptr); // ready for the next text
                return {in.size() - qsizetype(inLeft), error};
            }
        }
    }

private:
    iconv_t m_handle;
    int m_growth;
};

// A character cut by the end of one piece is carried over to the next.
class CarriedOver
{
public:
    QByteArrayView joined(QByteArrayView bytes)
    {
        if (m_cut.isEmpty())
            return bytes;
        m_joined = m_cut;
        m_joined += bytes;
        m_cut.clear();
        return m_joined;
    }
    void carry(QByteArrayView rest) { m_cut = rest.toByteArray(); }
    bool isEmpty() const { return m_cut.isEmpty(); }

private:
    QByteArray m_cut;
    QByteArray m_joined;
};

// UTF-8 itself, copied once it is known to be UTF-8.
class Utf8Check final : public ToUtf8
{
public:
    bool endsWhole() const override { return m_cut.isEmpty(); }

protected:
    bool convert(QByteArrayView bytes, QByteArray &out) override
    {
        const QByteArrayView text = m_cut.joined(bytes);
        for (qsizetype i = 0; i < text.size();) {
            const int length = utf8SequenceAt(text, i);
            if (length <= 0) {
                out += text.first(i);
                if (length == 0)
                    return false;
                m_cut.carry(text.sliced(i));
                return true;
            }
            i += length;
        }
        out += text;
        return true;
    }

private:
    CarriedOver m_cut;
};

class Cp932ToUtf8 final : public ToUtf8
{
public:
    bool endsWhole() const override { return m_cut.isEmpty(); }

protected:
    bool convert(QByteArrayView bytes, QByteArray &out) override
    {
        const QByteArrayView text = m_cut.joined(bytes);
        const Iconv::Result result = m_iconv.convert(text, out);
        if (result.error == EINVAL)
            m_cut.carry(text.sliced(result.read));
        return result.error == 0 || result.error == EINVAL;
    }

private:
    Iconv m_iconv{"UTF-8", "CP932", 3}; // half-width katakana take three bytes in UTF-8
    CarriedOver m_cut;
};

// UTF-16 in the order its byte-order mark says, little-endian (as most programs write it) without
// one. A surrogate without its pair is not text.
class Utf16ToUtf8 final : public ToUtf8
{
public:
    bool endsWhole() const override { return m_cut.isEmpty(); }

protected:
    bool convert(QByteArrayView bytes, QByteArray &out) override
    {
        QByteArrayView text = m_cut.joined(bytes);
        if (!m_orderKnown) {
            if (text.size() < 2) {
                m_cut.carry(text);
                return true;
            }
            m_bigEndian = text.startsWith("\xFE\xFF");
            if (m_bigEndian || text.startsWith("\xFF\xFE"))
                text = text.sliced(2);
            m_orderKnown = true;
        }
        const QString units = unitsOf(text);
        const QStringView all(units);
        for (qsizetype k = 0; k < all.size(); ++k) {
            if (all[k].isHighSurrogate() && k + 1 == all.size()) {
                // Its pair follows in the next piece.
                out += all.first(k).toUtf8();
                m_cut.carry(text.sliced(2 * k));
                return true;
            }
            const bool paired = all[k].isHighSurrogate() && all[k + 1].isLowSurrogate();
            if (paired) {
                ++k;
            } else if (all[k].isSurrogate()) {
                out += all.first(k).toUtf8();
                return false;
            }
        }
        out += all.toUtf8();
        m_cut.carry(text.sliced(2 * all.size()));
        return true;
    }

private:
    QString unitsOf(QByteArrayView text) const
    {
        QString units(text.size() / 2, Qt::Uninitialized);
        auto *unit = reinterpret_cast<char16_t *>(units.data());
        for (qsizetype k = 0; k < units.size(); ++k) {
            const char *at = text.data() + 2 * k;
            unit[k] = m_bigEndian ? qFromBigEndian<char16_t>(at) : qFromLittleEndian<char16_t>(at);
        }
        return units;
    }

    bool m_orderKnown = false;
    bool m_bigEndian = false;
    CarriedOver m_cut;
};

std::optional<Unwritable> notUtf8(QByteArrayView text)
{
    const qsizetype at = invalidUtf8At(text);
    if (at < 0)
        return std::nullopt;
    return Unwritable{at, u"text that is not UTF-8 (another program stored it so)"_s};
}

// glibc writes a few characters as the nearest CP932 has (〜 as ～, ¥ as \, − as －), and
// these would come back from the file as those others: each row is read back and compared.
class Cp932FromUtf8 final : public FromUtf8
{
public:
    QByteArray start() const override { return {}; }
    std::optional<Unwritable> append(QByteArrayView text, QByteArray &out) override
    {
        if (std::optional<Unwritable> bad = notUtf8(text))
            return bad;
        QByteArray written;
        const Iconv::Result result = m_toCp932.convert(text, written);
        if (result.error != 0)
            return Unwritable{result.read, u"%1 has no place in Shift_JIS (CP932)"_s.arg(
                                               characterAt(text, result.read))};
        if (std::optional<Unwritable> changed = changedCharacter(text, written))
            return changed;
        out += written;
        return std::nullopt;
    }

private:
    // The first character of `text` that `written` reads back as another, read back a piece at a
    // time: a meaning of many megabytes is not held a second time.
    static std::optional<Unwritable> changedCharacter(QByteArrayView text, QByteArrayView written)
    {
        constexpr qsizetype Piece = qsizetype{64} * 1024;
        Cp932ToUtf8 reader;
        QByteArray back;
        qsizetype matched = 0; // of `text`, read back as it is; `back` follows it
        for (qsizetype i = 0; i < written.size(); i += Piece) {
            back.resize(0);
            reader.append(written.sliced(i, std::min(Piece, written.size() - i)), back);
            const QByteArrayView expected =
                text.sliced(matched, std::min(back.size(), text.size() - matched));
            if (back != expected)
                return changedAt(text, matched, back);
            matched += back.size();
        }
        if (matched < text.size())
            return changedAt(text, matched, {});
        return std::nullopt;
    }

    // `back` is read back from `text` at `from`, where both start a character, and differs.
    static Unwritable changedAt(QByteArrayView text, qsizetype from, QByteArrayView back)
    {
        qsizetype at = 0;
        while (from + at < text.size() && at < back.size() && text[from + at] == back[at])
            ++at;
        if (from + at == text.size())
            return {from + at, u"the text would be read back with more after it"_s};
        while (at > 0 && (uchar(text[from + at]) & 0xC0) == 0x80)
            --at; // back to the start of the character
        const QString readBack = at < back.size() ? characterAt(back, at) : u"nothing"_s;
        return {from + at,
                u"%1 would be read back as %2"_s.arg(characterAt(text, from + at), readBack)};
    }

    Iconv m_toCp932{"CP932", "UTF-8", 1};
};

// Little-endian with a byte-order mark, as spreadsheet programs write "Unicode text".
class Utf16FromUtf8 final : public FromUtf8
{
public:
    QByteArray start() const override { return QByteArray("\xFF\xFE", 2); }
    std::optional<Unwritable> append(QByteArrayView text, QByteArray &out) override
    {
        if (std::optional<Unwritable> bad = notUtf8(text))
            return bad;
        const QString units = QString::fromUtf8(text);
        const qsizetype had = out.size();
        out.resize(had + 2 * units.size());
        for (qsizetype k = 0; k < units.size(); ++k)
            qToLittleEndian<char16_t>(units[k].unicode(), out.data() + had + 2 * k);
        return std::nullopt;
    }
};

} // namespace

std::optional<TextEncoding> encodingNamed(const QString &name)
{
    const QString plain = name.toLower().remove(u'-').remove(u'_');
    if (plain == u"utf8")
        return TextEncoding::Utf8;
    if (plain == u"utf16")
        return TextEncoding::Utf16;
    if (plain == u"shiftjis" || plain == u"sjis" || plain == u"cp932")
        return TextEncoding::ShiftJis;
    return std::nullopt;
}

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return u"UTF-8"_s;
    case TextEncoding::Utf16:
        return u"UTF-16"_s;
    case TextEncoding::ShiftJis:
        return u"Shift_JIS (CP932)"_s;
    }
    return {};
}

std::unique_ptr<ToUtf8> ToUtf8::from(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return std::make_unique<Utf8Check>();
    case TextEncoding::Utf16:
        return std::make_unique<Utf16ToUtf8>();
    case TextEncoding::ShiftJis:
        return std::make_unique<Cp932ToUtf8>();
    }
    return nullptr;
}

ToUtf8::~ToUtf8() = default;

bool ToUtf8::append(QByteArrayView bytes, QByteArray &out)
{
    const qsizetype had = out.size();
    const bool whole = convert(bytes, out);
    m_lineEnds += QByteArrayView(out).sliced(had).count('\n');
    return whole;
}

EncodingGuess::EncodingGuess()
    : m_utf8(ToUtf8::from(TextEncoding::Utf8)), m_cp932(ToUtf8::from(TextEncoding::ShiftJis))
{
}

EncodingGuess::~EncodingGuess() = default;

void EncodingGuess::feed(QByteArrayView piece)
{
    for (auto [still, reader] : {std::pair{&m_isUtf8, m_utf8.get()}, {&m_isCp932, m_cp932.get()}}) {
        if (*still)
            *still = reader->append(piece, m_scratch);
        m_scratch.resize(0);
    }
    const qsizetype lastEnd = piece.lastIndexOf('\n');
    m_lineBytes = lastEnd < 0 ? m_lineBytes + piece.size() : piece.size() - lastEnd - 1;
}

void EncodingGuess::end()
{
    m_isUtf8 = m_isUtf8 && m_utf8->endsWhole();
    m_isCp932 = m_isCp932 && m_cp932->endsWhole();
}

std::optional<TextEncoding> EncodingGuess::verdict() const
{
    if (m_isUtf8)
        return TextEncoding::Utf8;
    if (m_isCp932)
        return TextEncoding::ShiftJis;
    return std::nullopt;
}

qsizetype EncodingGuess::failingLine() const
{
    return std::max(m_utf8->line(), m_cp932->line());
}

std::unique_ptr<FromUtf8> FromUtf8::to(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return nullptr;
    case TextEncoding::Utf16:
        return std::make_unique<Utf16FromUtf8>();
    case TextEncoding::ShiftJis:
        return std::make_unique<Cp932FromUtf8>();
    }
    return nullptr;
}

FromUtf8::~FromUtf8() = default;

} // namespace donguri::kbtool

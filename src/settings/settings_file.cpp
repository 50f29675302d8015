// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file.h"

#include "kb/kb_location.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <iconv.h>

#include <algorithm>

namespace donguri {

namespace {

// Qt's own decoders cover the Unicode encodings only; glibc's iconv always has Shift_JIS
// (as CP932, the flavour older installations used).
QString decodeShiftJis(const QByteArray &bytes)
{
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == iconv_t(-1))
        return QString::fromLatin1(bytes);
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 3 + 4, Qt::Uninitialized);
    char *inPtr = in.data();
    size_t inLeft = size_t(in.size());
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        // An invalid or truncated sequence: keep going past it rather than lose the rest.
        if (outLeft < 3)
            break;
        *outPtr++ = '?';
        --outLeft;
        ++inPtr;
        --inLeft;
    }
    iconv_close(converter);
    out.truncate(out.size() - qsizetype(outLeft));
    return QString::fromUtf8(out);
}

} // namespace

QString decodeSettingsText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    return decodeShiftJis(bytes);
}

FirstLine readFirstLine(const QString &settingsFile)
{
    QFile file(settingsFile);
    if (!file.exists())
        return {FirstLine::Status::Missing, {}};
    if (!file.open(QIODevice::ReadOnly))
        return {FirstLine::Status::Unreadable, {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.isEmpty())
        return {FirstLine::Status::Unreadable, {}};
    return {FirstLine::Status::Read, decodeFirstLine(bytes)};
}

QString decodeFirstLine(const QByteArray &bytes)
{
    // Only the first line is decoded, so what follows it cannot change how it reads. CR and LF
    // never occur inside a UTF-8 or Shift_JIS character.
    const auto end =
        std::find_if(bytes.cbegin(), bytes.cend(), [](char c) { return c == '\r' || c == '\n'; });
    return decodeSettingsText(bytes.first(end - bytes.cbegin()));
}

bool writeSettingsLine(const QString &settingsFile, const QString &line)
{
    QSaveFile file(settingsFile);
    // A writable file in a read-only folder cannot be replaced atomically; write it in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A server address with its password in it is for this user's eyes only.
    if (holdsPassword(line)
        && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    return file.write(bytes) == bytes.size() && file.commit();
}

bool createEmptySettingsFile(const QString &settingsFile)
{
    QFile file(settingsFile);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

} // namespace donguri

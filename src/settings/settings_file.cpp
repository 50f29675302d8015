// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file.h"

#include "kb/kb_location.h"
#include "settings_log.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace donguri {

namespace {

// Qt's own decoders cover the Unicode encodings only; glibc's iconv always has Shift_JIS
// (as CP932, the flavour older installations used).
QString decodeShiftJis(const QByteArray &bytes)
{
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == iconv_t(-1)) // NOLINT(performance-no-int-to-ptr): iconv's failure value
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

// CR and LF never occur inside a UTF-8 or Shift_JIS character, so the first of them ends the
// first line whatever the encoding; without either the line runs to the end.
qsizetype firstLineEnd(const QByteArray &bytes)
{
    const auto end =
        std::find_if(bytes.cbegin(), bytes.cend(), [](char c) { return c == '\r' || c == '\n'; });
    return end - bytes.cbegin();
}

// Up to MaxSettingsBytes of the file, plus one byte that tells whether more follows; nullopt
// when `fd` is not a regular file or reading fails.
std::optional<QByteArray> readBoundedRegularFile(int fd, const QString &settingsFile)
{
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        qCWarning(lcSettings) << "the settings file" << settingsFile
                              << "is not a regular file; it is not read";
        return std::nullopt;
    }
    QByteArray bytes(MaxSettingsBytes + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            qCWarning(lcSettings) << "cannot read the settings file" << settingsFile << ":"
                                  << qt_error_string(errno);
            return std::nullopt;
        }
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
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
    // Opened without blocking, so that a FIFO without a writer cannot hold up the start; only a
    // regular file (or a link to one) is read at all, so /dev/zero or a terminal cannot either.
    const QByteArray name = QFile::encodeName(settingsFile);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {FirstLine::Status::Missing, {}};
        qCWarning(lcSettings) << "cannot open the settings file" << settingsFile << ":"
                              << qt_error_string(errno);
        return {FirstLine::Status::Unreadable, {}};
    }
    const std::optional<QByteArray> bytes = readBoundedRegularFile(fd, settingsFile);
    ::close(fd);
    if (!bytes || bytes->isEmpty())
        return {FirstLine::Status::Unreadable, {}};
    const qsizetype lineEnd = firstLineEnd(*bytes);
    if (lineEnd > MaxSettingsBytes) {
        qCWarning(lcSettings) << "the settings file" << settingsFile
                              << "has no line end in its first" << MaxSettingsBytes
                              << "bytes; it is not read";
        return {FirstLine::Status::Unreadable, {}};
    }
    return {FirstLine::Status::Read, decodeSettingsText(bytes->first(lineEnd))};
}

QString decodeFirstLine(const QByteArray &bytes)
{
    // Only the first line is decoded, so what follows it cannot change how it reads.
    return decodeSettingsText(bytes.first(firstLineEnd(bytes)));
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

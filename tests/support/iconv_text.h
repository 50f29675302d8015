// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace donguri::testing {

// UTF-8 text in another encoding, converted by the system's iconv command as a file from another
// computer would have been: `encoding` is iconv's name for it (CP932, UTF-16LE, UTF-16BE,
// EUC-JP, LATIN1). Empty when iconv cannot convert it, which a test then sees.
inline QByteArray iconvBytes(const QByteArray &utf8, const QString &encoding)
{
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"),
                {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), encoding});
    iconv.write(utf8);
    iconv.closeWriteChannel();
    if (!iconv.waitForFinished(30000) || iconv.exitStatus() != QProcess::NormalExit
        || iconv.exitCode() != 0)
        return {};
    return iconv.readAllStandardOutput();
}

} // namespace donguri::testing

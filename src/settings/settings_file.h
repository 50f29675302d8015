// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace donguri {

// donguri.ini holds one line: the path of the knowledge base file, ended by CR LF.
struct FirstLine
{
    enum class Status { Read, Missing, Unreadable };
    Status status = Status::Unreadable;
    QString line;
};

// The most of donguri.ini that is ever read: a path is far shorter.
constexpr qsizetype MaxSettingsBytes = qsizetype{64} * 1024;

// The text up to the first CR LF, lone CR, lone LF or the end of the file. A zero-byte file
// holds no line at all and counts as unreadable, as does anything but a regular file (a FIFO,
// a device) and a first line that runs past MaxSettingsBytes; reading never blocks. Text that is
// not UTF-8 is taken as Shift_JIS, the encoding older installations wrote.
FirstLine readFirstLine(const QString &settingsFile);

// Replaces the whole file with exactly `line` + CR LF in UTF-8. False when it cannot be written.
bool writeSettingsLine(const QString &settingsFile, const QString &line);

// Creates the file with no content at all. False when it cannot be created.
bool createEmptySettingsFile(const QString &settingsFile);

// Decodes bytes that claim to be a settings line: UTF-8 (a leading byte-order mark dropped) when
// valid, otherwise Shift_JIS.
QString decodeSettingsText(const QByteArray &bytes);

// The first line of a settings file's bytes (up to the first CR or LF), decoded as above.
QString decodeFirstLine(const QByteArray &bytes);

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb_command.h"

#include <QString>

#include <stdexcept>

namespace donguri::kbtool {

// donguri-kb copy SOURCE TARGET [--append]: between any two knowledge bases, files or servers.
struct CopyRequest
{
    QString source;
    QString target;
    // Add the entries to TARGET as new ones instead of requiring it to be empty.
    bool append = false;
};

// Something about SOURCE or TARGET that stops the copy, said for the user; nothing was changed.
class CopyError : public std::runtime_error
{
public:
    explicit CopyError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// Copies every entry in ID order, in one transaction on TARGET. Without `append` TARGET must
// hold no entries; it then gets each entry under its own ID and SOURCE's character choice, so
// that it answers as SOURCE does. With `append` the entries are added as new ones and the
// character choice stays. Throws CopyError or KbError; a failed copy leaves TARGET as it was
// (a file it had to create is removed again).
void copyKnowledgeBase(const CopyRequest &request, const Console &console);

} // namespace donguri::kbtool

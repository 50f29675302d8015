// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "open_knowledge_base.h"

#include "file_knowledge_base.h"
#include "kb_error.h"
#include "kb_location.h"
#include "server_knowledge_base.h"

#include <QFileInfo>

namespace donguri {

std::unique_ptr<KnowledgeBase> openKnowledgeBase(const QString &location,
                                                 const OpenOptions &options)
{
    if (isServerLocation(location))
        return std::make_unique<ServerKnowledgeBase>(location, options);
    if (!options.create && !QFileInfo(location).isFile())
        throw KbError(QStringLiteral("no knowledge base at %1").arg(shownLocation(location)), 0,
                      QFileInfo(location).isDir() ? KbCause::Folder : KbCause::Missing);
    return std::make_unique<FileKnowledgeBase>(location);
}

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "new_knowledge_base_notice.h"

#include "kb/kb_location.h"

#include <QFileInfo>

namespace donguri {

void NewKnowledgeBaseNotice::watch(const QString &location)
{
    if (!location.isEmpty() && !isServerLocation(location) && !QFileInfo::exists(location))
        m_awaited.insert(location);
}

std::optional<QString> NewKnowledgeBaseNotice::announcement(const QString &location)
{
    if (!m_awaited.contains(location) || !QFileInfo::exists(location))
        return std::nullopt;
    m_awaited.remove(location);
    // The name alone: the balloon is small, and a mistyped name is what is to be seen.
    return QStringLiteral("新しい知識ファイルを作りました。")
           + cutLongName(QFileInfo(location).fileName());
}

} // namespace donguri

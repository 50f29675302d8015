// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_connection.h"

#include "open_knowledge_base.h"

namespace donguri {

std::shared_ptr<KnowledgeBase> KbConnection::shared(const QString &path)
{
    if (!m_kb || m_kb->path() != path) {
        m_kb.reset(); // a failed open leaves no stale handle on the old one
        m_kb = openKnowledgeBase(path);
    }
    return m_kb;
}

} // namespace donguri

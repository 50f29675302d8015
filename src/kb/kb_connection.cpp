#include "kb_connection.h"

namespace donguri {

KnowledgeBase &KbConnection::at(const QString &path)
{
    if (!m_kb || m_kb->path() != path) {
        m_kb.reset(); // a failed open leaves no stale handle on the old file
        m_kb = openKnowledgeBase(path);
    }
    return *m_kb;
}

} // namespace donguri

#pragma once

#include "knowledge_base.h"

#include <memory>

namespace donguri {

// A window's own connection: it is pointed at the current database path before every use and
// reopens the file when that path has changed since.
class KbConnection
{
public:
    // Throws KbError when the file cannot be opened as a knowledge base.
    KnowledgeBase &at(const QString &path);

private:
    std::unique_ptr<KnowledgeBase> m_kb;
};

} // namespace donguri

// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "knowledge_base.h"

#include <memory>

namespace donguri {

// A window's own connection: it is pointed at the current database path before every use and
// reopens the knowledge base when that path has changed since.
class KbConnection
{
public:
    // Throws KbError when the path names nothing that can be opened as a knowledge base.
    KnowledgeBase &at(const QString &path) { return *shared(path); }
    // The same handle, for a reader that must keep reading the knowledge base it started on
    // even when the connection has moved on to another path meanwhile.
    std::shared_ptr<KnowledgeBase> shared(const QString &path);

private:
    std::shared_ptr<KnowledgeBase> m_kb;
};

} // namespace donguri
